#include "acquisition/text_search.h"
