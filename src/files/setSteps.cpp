#include "files/setSteps.h"

void (*setStepHook)(const std::string& step) = nullptr;

void passStep(const std::string& step) {
  if (setStepHook != nullptr) setStepHook(step);
}

std::string outputPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const char last = folder.back();
  return last == '/' || last == '\\' ? folder + name : folder + "/" + name;
}
