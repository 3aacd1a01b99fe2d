#include "acquisition/site_constants.h"
