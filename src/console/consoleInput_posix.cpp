#include <unistd.h>

#include <cstdio>

#include "console/consoleInput.h"

// Terminals on these systems hand the program the bytes as typed, UTF-8 by convention.
void prepareConsole() {}

int nextInputByte() { return std::getc(stdin); }

bool inputIsConsole() { return isatty(STDIN_FILENO) != 0; }
