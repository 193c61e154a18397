#include <cstdlib>

#include "pastedName.h"

pasteRules nativePasteRules() {
  const char* const home = std::getenv("HOME");
  return {true, home != nullptr ? home : ""};
}
