#include "acquisition/entity_decoder.h"
