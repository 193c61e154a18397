// Every seed of the fuzz corpus run through the checks of its fuzz target, as a plain test
// program: a regression seed that once made the program fail runs on every build, not
// only when the fuzzers do. The fuzz checks take over standard output for the program's
// dialogue, so the results go to standard error.
#include <cstdio>
#include <exception>

#include "corpusSeeds.h"
#include "fuzz_check.h"

int main() {
  veskfuzz::setUp(false);
  int passed = 0;
  int failed = 0;
  for (const corpusSeed& seed : corpusSeeds()) {
    try {
      veskfuzz::runTarget(seed.target, seed.content);
      ++passed;
    } catch (const std::exception& e) {
      ++failed;
      std::fprintf(stderr, "FAILED %s/%s: %s\n", seed.target.c_str(), seed.name.c_str(), e.what());
    }
  }
  std::fprintf(stderr, "fuzz corpus: %d passed, %d failed\n", passed, failed);
  return failed == 0 && passed > 0 ? 0 : 1;
}
