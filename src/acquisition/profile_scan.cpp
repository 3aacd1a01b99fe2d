#include "acquisition/profile_scan.h"
