#include "text/version.h"

#ifndef VESK_VERSION
#define VESK_VERSION "unknown"
#endif

const char* const veskVersion = VESK_VERSION;
