#include "shell/loop_state.h"
