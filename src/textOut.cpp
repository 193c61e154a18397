#include "textOut.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <stdexcept>

namespace {

// Most digits a format is asked for: beyond 17 a double has no more to tell.
constexpr int mostDigits = 17;

void checkDigits(int digits) {
  if (digits < 0 || digits > mostDigits) throw std::invalid_argument("numberText: digits out of range");
}

}  // namespace

numberText numberText::general(double value, int precision) {
  return formatted(value, std::chars_format::general, precision);
}

numberText numberText::fixed(double value, int places) { return formatted(value, std::chars_format::fixed, places); }

numberText numberText::formatted(double value, std::chars_format format, int digits) {
  checkDigits(digits);
  numberText number;
  const auto result =
      std::to_chars(number.digits_.data(), number.digits_.data() + number.digits_.size(), value, format, digits);
  number.size_ = static_cast<size_t>(result.ptr - number.digits_.data());
  return number;
}

numberText numberText::shortest(double value) {
  numberText number;
  const auto result = std::to_chars(number.digits_.data(), number.digits_.data() + number.digits_.size(), value,
                                    std::chars_format::fixed);
  number.size_ = static_cast<size_t>(result.ptr - number.digits_.data());
  return number;
}

numberText numberText::integer(long long value) {
  numberText number;
  const auto result = std::to_chars(number.digits_.data(), number.digits_.data() + number.digits_.size(), value);
  number.size_ = static_cast<size_t>(result.ptr - number.digits_.data());
  return number;
}

textOut::textOut(textTarget& target, std::string_view lineEnd, size_t largestBuffer)
    : target_(target),
      lineEnd_(lineEnd),
      buffer_(new char[std::min(firstBufferSize, largestBuffer)]),
      next_(buffer_.get()),
      end_(buffer_.get() + std::min(firstBufferSize, largestBuffer)),
      size_(std::min(firstBufferSize, largestBuffer)),
      largest_(largestBuffer) {}

void textOut::putAcross(std::string_view text) {
  while (size_ < largest_ && text.size() > static_cast<size_t>(end_ - next_)) {
    const size_t used = static_cast<size_t>(next_ - buffer_.get());
    const size_t larger = std::min(size_ * 4, largest_);
    std::unique_ptr<char[]> grown(new char[larger]);
    if (used > 0) std::memcpy(grown.get(), buffer_.get(), used);
    buffer_ = std::move(grown);
    size_ = larger;
    next_ = buffer_.get() + used;
    end_ = buffer_.get() + size_;
  }
  // Fill the buffer to the brim before handing it on: the target gets whole buffers, which
  // a disk takes in whole pages.
  while (text.size() > static_cast<size_t>(end_ - next_)) {
    const size_t room = static_cast<size_t>(end_ - next_);
    std::memcpy(next_, text.data(), room);
    next_ = end_;
    text.remove_prefix(room);
    flush();
  }
  std::memcpy(next_, text.data(), text.size());
  next_ += text.size();
}

void textOut::lines(std::string_view text) {
  for (;;) {
    const size_t lf = text.find('\n');
    if (lf == std::string_view::npos) {
      put(text);
      return;
    }
    put(text.substr(0, lf));
    endLine();
    text.remove_prefix(lf + 1);
  }
}

void textOut::flush() {
  if (next_ == buffer_.get()) return;
  target_.take(buffer_.get(), static_cast<size_t>(next_ - buffer_.get()));
  next_ = buffer_.get();
}

std::string lowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}
