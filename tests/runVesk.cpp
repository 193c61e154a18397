#include "runVesk.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string templ = (fs::temp_directory_path() / "vesk_test_XXXXXX").string();
  if (mkdtemp(templ.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = templ;
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

void TempDir::write(const std::string& name, const std::string& content) const {
  std::ofstream out(file(name), std::ios::binary);
  out << content;
}

std::vector<std::string> TempDir::list() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(path_)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string afterDialogue(const std::string& output) {
  const std::string prompt = " Please enter Y or N > ";
  const size_t at = output.rfind(prompt);
  return at == std::string::npos ? output : output.substr(at + prompt.size());
}

vesk_result runVesk(const std::vector<std::string>& args, const std::string& input, const std::string& dir,
                    bool removeDir, bool mergeErrors, long long memoryLimit, bool asNobody) {
  TempDir io;
  io.write("stdin", input);
  // The build folder may lie where uid 65534 cannot reach (a checkout under /root): that
  // run starts a copy of the program from a folder anyone may enter.
  std::string program = VESK_BINARY;
  TempDir copy;
  if (asNobody) {
    fs::permissions(copy.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                     fs::perms::others_read | fs::perms::others_exec);
    program = copy.file("vesk");
    fs::copy_file(VESK_BINARY, program);
    fs::permissions(program, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec);
  }
  const std::string inPath = io.file("stdin");
  const std::string outPath = io.file("stdout");
  const std::string errPath = io.file("stderr");
  // Everything the child needs is made before the fork: a test may run a thread beside
  // this one, and an allocation in the child could wait for ever on a lock that thread
  // held when the process was copied.
  std::vector<std::string> copies(args);
  std::vector<char*> argv;
  argv.push_back(program.data());
  for (auto& a : copies) argv.push_back(a.data());
  argv.push_back(nullptr);

  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    setsid();  // a new session: no controlling terminal
    const int in = open(inPath.c_str(), O_RDONLY);
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = mergeErrors ? dup(out) : open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(126);
    if (chdir(dir.c_str()) != 0) _exit(126);
    if (removeDir && rmdir(dir.c_str()) != 0) _exit(126);
    if (asNobody && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(126);
    const rlimit limit{static_cast<rlim_t>(memoryLimit), static_cast<rlim_t>(memoryLimit)};
    if (memoryLimit > 0 && setrlimit(RLIMIT_AS, &limit) != 0) _exit(126);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  vesk_result result;
  result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  result.output = readFile(outPath);
  if (!mergeErrors) result.errors = readFile(errPath);
  return result;
}
