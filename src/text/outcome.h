// How a step that can fail says so. A leaf of any subsystem gives back its value or a
// `failure`; it prints nothing itself. The driver alone shows a failure to the operator
// (reportFailure in runMessages.h), so every refusal reaches the same streams in the same
// form: its message on standard output, as the operator has always seen it, and the
// reason on standard error.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

struct failure {
  std::string message;  // for standard output, with the line ends it needs (may be empty)
  std::string reason;   // one line for standard error, or empty
  // Further lines for standard error, after the reason: every refusal of a settings file
  // is told at once.
  std::vector<std::string> moreReasons = {};
};

// The value of a step that worked, or why it did not.
template <typename T>
class result {
 public:
  result(T value) : v_(std::in_place_index<0>, std::move(value)) {}
  result(failure why) : v_(std::in_place_index<1>, std::move(why)) {}

  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() { return std::get<0>(v_); }
  const T& value() const { return std::get<0>(v_); }
  T& operator*() { return value(); }
  const T& operator*() const { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  const failure& error() const { return std::get<1>(v_); }

 private:
  std::variant<T, failure> v_;
};

// A step with nothing to give back: nothing when it worked, else why not.
using problem = std::optional<failure>;
