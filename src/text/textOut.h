// Text written into a buffer and handed on a full buffer at a time, with the line end of
// its destination written as part of the text, and numbers formatted the same on every
// platform: every byte must be the one the vehicle was planned to read, whichever system
// planned it.
#pragma once

#include <array>
#include <charconv>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

// Where a text goes, a full buffer at a time: a file, memory, the console.
class textTarget {
 public:
  virtual ~textTarget() = default;
  virtual void take(const char* data, size_t size) = 0;
};

// Adds the text to a string in memory.
class memoryTarget final : public textTarget {
 public:
  explicit memoryTarget(std::string& text) : text_(text) {}
  void take(const char* data, size_t size) override { text_.append(data, size); }

 private:
  std::string& text_;
};

// A number as text, for the files and for the messages. The formats are those of printf
// in the C locale, through std::to_chars, so that every platform writes the same digits
// whatever its C library.
class numberText {
 public:
  // As "%.*g": `precision` significant digits (at most 17), trailing zeros dropped, with an
  // exponent when it is below -4 or at least the precision.
  static numberText general(double value, int precision);
  // As "%.*f": `places` decimals (at most 17), however large the value.
  static numberText fixed(double value, int places);
  // As "%lld".
  static numberText integer(long long value);
  // The fewest digits that read back as `value`, without an exponent.
  static numberText shortest(double value);

  std::string_view view() const { return {digits_.data(), size_}; }
  std::string text() const { return std::string(view()); }

 private:
  numberText() = default;
  void format(double value, std::chars_format format, int digits);
  // The longest double in fixed notation has 309 digits before the point.
  std::array<char, 344> digits_;
  size_t size_ = 0;
};

// Text on its way to a target. Each line ends in the line end given: "\r\n" in the files
// the vehicle reads, whichever system writes them; "\n" on the console.
class textOut {
 public:
  // The buffer starts small, for the many short texts, and grows to its full size for a
  // long one; the target then gets it full every time, as a disk takes it best.
  static constexpr size_t firstBufferSize = 4 * 1024;
  static constexpr size_t bufferSize = 256 * 1024;

  textOut(textTarget& target, std::string_view lineEnd, size_t largestBuffer = bufferSize);
  textOut(const textOut&) = delete;
  textOut& operator=(const textOut&) = delete;
  // Text still buffered is dropped: flush() hands it on once the text is complete, and a
  // text given up half way must not reach its target.
  ~textOut() = default;

  std::string_view lineEnd() const { return lineEnd_; }

  void put(std::string_view text) {
    if (text.size() <= static_cast<size_t>(end_ - next_)) {
      if (!text.empty()) std::memcpy(next_, text.data(), text.size());
      next_ += text.size();
    } else {
      putAcross(text);
    }
  }
  void put(const numberText& number) { put(number.view()); }

  void endLine() { put(lineEnd_); }
  void line(std::string_view text) {
    put(text);
    endLine();
  }

  // `text` with "\n" marking its line ends, each written as this output's line end: for
  // text written once per file, and for what libraries with their own line ends print.
  void lines(std::string_view text);

  // Hands everything buffered to the target.
  void flush();

 private:
  void putAcross(std::string_view text);

  textTarget& target_;
  std::string lineEnd_;
  std::unique_ptr<char[]> buffer_;
  char* next_;
  char* end_;
  size_t size_;  // of the buffer
  size_t largest_;
};

// `text` with its ASCII capitals in lower case: names of formats, columns and extensions,
// which operators write in any case.
std::string lowerCase(std::string_view text);
