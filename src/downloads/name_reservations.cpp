#include "downloads/name_reservations.h"
