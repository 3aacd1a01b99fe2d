#include "acquisition/fetch_buffer.h"
