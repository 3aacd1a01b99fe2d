#include "acquisition/profile_recognition.h"
