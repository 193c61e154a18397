#include <conio.h>
#include <io.h>

#include <cstdio>

#include "keyWait.h"

void waitForKey() {
  std::fflush(stdout);
  if (_isatty(_fileno(stdin)) == 0) return;
  _getch();
}
