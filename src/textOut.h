// Text written straight into one large buffer and handed on a full buffer at a time, with
// the line end of its destination written as part of the text, and numbers formatted the
// same on every platform. The mission files of a long route run to a gigabyte; writing
// them must cost little more than the disk takes to store them, and every byte must be
// the one the vehicle was planned to read.
#pragma once

#include <array>
#include <charconv>
#include <cstddef>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Where a text goes, a full buffer at a time: a file, memory, the console.
class textTarget {
 public:
  virtual ~textTarget() = default;
  virtual void take(const char* data, size_t size) = 0;
};

// Receives a text piece by piece.
using textSink = std::function<void(const std::string&)>;

// Hands every buffer on to a sink, as one piece.
class sinkTarget final : public textTarget {
 public:
  explicit sinkTarget(const textSink& emit) : emit_(emit) {}
  void take(const char* data, size_t size) override { emit_(std::string(data, size)); }

 private:
  const textSink& emit_;
};

// Adds the text to a string in memory.
class memoryTarget final : public textTarget {
 public:
  explicit memoryTarget(std::string& text) : text_(text) {}
  void take(const char* data, size_t size) override { text_.append(data, size); }

 private:
  std::string& text_;
};

// A number as text, formatted once to be written as often as it is needed. The formats
// are those of printf in the C locale, through std::to_chars, so that every platform
// writes the same digits whatever its C library.
class numberText {
 public:
  // As "%.*g": `precision` significant digits (at most 17), trailing zeros dropped, with an
  // exponent when it is below -4 or at least the precision.
  static numberText general(double value, int precision);
  // As "%.*f": `places` decimals (at most 17), however large the value.
  static numberText fixed(double value, int places);
  // As "%lld".
  static numberText integer(long long value);

  std::string_view view() const { return {digits_.data(), size_}; }

 private:
  numberText() = default;
  static numberText formatted(double value, std::chars_format format, int digits);
  // The longest double in fixed notation has 309 digits before the point.
  std::array<char, 344> digits_;
  size_t size_ = 0;
};

// Text on its way to a target. Each line ends in the line end given: "\r\n" in the files
// the vehicle reads, whichever system writes them; "\n" on the console.
class textOut {
 public:
  // The buffer starts small, for the many short texts, and grows to its full size for a
  // long one; the target then gets it full every time.
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

  // Room for `size` more bytes in the buffer as it stands, or null when they do not fit:
  // the caller writes up to `size` bytes there and then calls advance() with the end.
  char* room(size_t size) { return size <= static_cast<size_t>(end_ - next_) ? next_ : nullptr; }
  void advance(char* to) { next_ = to; }
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

// A text written many times over with different values, such as the group of behaviours
// the mission script holds for every waypoint. It is prepared once: its fixed parts with
// the output's line ends and the run's settings in place, so that writing it is a few
// copies whatever its length.
class textTemplate {
 public:
  // `text` marks each line end with "\n" and each value with "{{name}}". The names in
  // `fields` are the values given to write(), in that order; each name in `fixed` is
  // replaced by its text, which may itself hold line ends and the names of values.
  textTemplate(std::string_view text, std::string_view lineEnd, std::initializer_list<std::string_view> fields,
               std::initializer_list<std::pair<std::string_view, std::string_view>> fixed = {});

  // The text with `values` in the places of the fields, in the order of the fields.
  void write(textOut& out, std::initializer_list<std::string_view> values) const;

 private:
  struct piece {
    size_t size;  // of its fixed text, the next in text_
    int field;    // the value that follows it, or -1
  };
  void add(std::string_view text, const std::vector<std::string_view>& fields,
           std::initializer_list<std::pair<std::string_view, std::string_view>> fixed, int depth);

  std::string lineEnd_;
  std::string text_;  // the fixed texts of all pieces, one after the other, line ends in place
  std::vector<piece> pieces_;
  size_t fieldCount_;
};
