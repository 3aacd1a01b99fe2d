#include "downloads/download_naming.h"
