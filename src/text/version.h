// The program's version, as --version, the maps and the crash journal give it.
#pragma once

extern const char* const veskVersion;
