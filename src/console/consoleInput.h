// The operator's console as the dialogue reads and writes it. Names of files and folders
// are UTF-8 inside the program on every system, so that a route saved under a name in
// the operator's own language can be typed, shown and opened.
#pragma once

// Makes the console show UTF-8 text for the rest of the run (Windows consoles start in a
// legacy code page); put back as it was when the run ends. Does nothing elsewhere.
void prepareConsole();

// The next byte of standard input, or EOF when it has ended. Text typed at a Windows
// console arrives as UTF-8 whatever the console's code page; piped or redirected input
// is passed on byte for byte.
int nextInputByte();

// Whether standard input is the operator's console (a terminal) rather than a file or a
// pipe.
bool inputIsConsole();
