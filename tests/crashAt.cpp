// The program as the crash checks run it: VESK_STOP_AT names a step of writing a set
// (see setStepHook) at which the run is killed with SIGKILL, as a crash or a power cut
// would stop it, and VESK_STEPS a file each step passed is added to.
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>

#include "fileSet.h"
#include "vesk.h"

namespace {

const char* stopAt = nullptr;
const char* stepLog = nullptr;

void atStep(const std::string& step) {
  if (stepLog != nullptr) std::ofstream(stepLog, std::ios::app) << step << "\n";
  if (stopAt != nullptr && step == stopAt) std::raise(SIGKILL);
}

}  // namespace

int main(int argc, char** argv) {
  stopAt = std::getenv("VESK_STOP_AT");
  stepLog = std::getenv("VESK_STEPS");
  setStepHook = atStep;
  return veskMain(argc, argv);
}
