#include <conio.h>
#include <io.h>

#include <cstdio>

#include "console/keyWait.h"

void waitForKey() {
  std::fflush(stdout);
  if (_isatty(_fileno(stdin)) == 0) return;
  // An arrow or function key comes as two codes, 0 or 0xE0 and the key's own: both are
  // the one key, and neither may be left for the shell after the run.
  const int key = _getch();
  if (key == 0 || key == 0xE0) _getch();
  while (_kbhit() != 0) _getch();
}
