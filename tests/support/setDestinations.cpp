#include "setDestinations.h"

#include <cstdio>
#include <memory>
#include <stdexcept>

#include "text/textOut.h"

namespace {

// In memory the text is only copied on: a smaller buffer does as well.
constexpr size_t memoryBufferSize = 64 * 1024;

class fileTarget final : public textTarget {
 public:
  explicit fileTarget(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {
    if (file_ == nullptr) throw std::runtime_error("cannot create " + path);
  }
  ~fileTarget() override { std::fclose(file_); }
  fileTarget(const fileTarget&) = delete;
  fileTarget& operator=(const fileTarget&) = delete;
  void take(const char* data, size_t size) override {
    if (std::fwrite(data, 1, size, file_) != size) throw std::runtime_error("cannot write a file");
  }

 private:
  std::FILE* file_;
};

}  // namespace

void keptSets::write(const std::vector<std::string>& paths, const setText& produce) {
  files.resize(paths.size());
  std::vector<memoryTarget> targets;
  std::vector<std::unique_ptr<textOut>> outs;
  std::vector<textOut*> outputs;
  targets.reserve(paths.size());
  for (size_t i = 0; i < paths.size(); ++i) {
    files[i].path = paths[i];
    files[i].content.clear();
    targets.emplace_back(files[i].content);
    outs.push_back(std::make_unique<textOut>(targets.back(), fileLineEnd, memoryBufferSize));
    outputs.push_back(outs.back().get());
  }
  try {
    produce(outputs);
    for (const auto& out : outs) out->flush();
  } catch (...) {
    files.clear();
    throw;
  }
  ++sets;
}

void unflushedFiles::write(const std::vector<std::string>& paths, const setText& produce) {
  std::vector<std::unique_ptr<fileTarget>> targets;
  std::vector<std::unique_ptr<textOut>> outs;
  std::vector<textOut*> outputs;
  for (const std::string& path : paths) {
    targets.push_back(std::make_unique<fileTarget>(path));
    outs.push_back(std::make_unique<textOut>(*targets.back(), fileLineEnd));
    outputs.push_back(outs.back().get());
  }
  produce(outputs);
  for (const auto& out : outs) out->flush();
}
