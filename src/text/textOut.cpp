#include "text/textOut.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace {

// Most digits a format is asked for: beyond 17 a double has no more to tell.
constexpr int mostDigits = 17;

void checkDigits(int digits) {
  if (digits < 0 || digits > mostDigits) throw std::invalid_argument("numberText: digits out of range");
}

__extension__ typedef unsigned __int128 uint128;

constexpr uint64_t powersOf5[] = {1,         5,          25,         125,         625,          3125,
                                  15625,     78125,      390625,     1953125,     9765625,      48828125,
                                  244140625, 1220703125, 6103515625, 30517578125, 152587890625, 762939453125};
constexpr uint64_t powersOf10[] = {1,
                                   10,
                                   100,
                                   1000,
                                   10000,
                                   100000,
                                   1000000,
                                   10000000,
                                   100000000,
                                   1000000000,
                                   10000000000,
                                   100000000000,
                                   1000000000000,
                                   10000000000000,
                                   100000000000000,
                                   1000000000000000,
                                   10000000000000000,
                                   100000000000000000};

// "%.*g" of the values most files hold, the positions among them: a magnitude from 1 to
// below 2^32 that needs no exponent. The digits come exactly from the double's binary
// value with integers (value = mantissa / 2^shift, scaled by 10^places and rounded, halves
// to the even neighbour, as printf does), twice as fast as the library, which a
// route of a million waypoints feels. Returns the length written to `out`, or 0 for a
// value it leaves to std::to_chars (also when the rounding carries into a new digit).
size_t quickGeneral(double value, int precision, char* out) {
  const double magnitude = std::fabs(value);
  if (!(magnitude >= 1 && magnitude < 4294967296.0) || precision < 1) return 0;
  int before = 1;  // digits before the point
  while (before < 10 && magnitude >= static_cast<double>(powersOf10[before])) ++before;
  if (before > precision) return 0;
  const int places = precision - before;
  uint64_t bits = 0;
  std::memcpy(&bits, &magnitude, sizeof bits);
  const uint64_t mantissa = (bits & ((uint64_t{1} << 52) - 1)) | (uint64_t{1} << 52);
  // magnitude = mantissa * 2^(exponent - 1075), and below 2^32 the shift is at least 21.
  const int shift = 1075 - static_cast<int>(bits >> 52) - places;
  const uint128 scaled = static_cast<uint128>(mantissa) * powersOf5[places];  // * 10^places / 2^places
  uint128 whole = scaled >> shift;
  const uint128 rest = scaled - (whole << shift);
  const uint128 half = uint128{1} << (shift - 1);
  if (rest > half || (rest == half && (whole & 1) != 0)) ++whole;
  uint64_t n = static_cast<uint64_t>(whole);
  if (n >= powersOf10[precision]) return 0;
  // The digits two at a time, from the last.
  static constexpr char pairs[] =
      "0001020304050607080910111213141516171819202122232425262728293031323334353637383940414243444546474849"
      "5051525354555657585960616263646566676869707172737475767778798081828384858687888990919293949596979899";
  char digits[mostDigits];
  int i = precision;
  for (; i >= 2; i -= 2, n /= 100) std::memcpy(digits + i - 2, pairs + 2 * (n % 100), 2);
  if (i == 1) digits[0] = static_cast<char>('0' + n);
  int last = precision;  // trailing zeros of the decimals are dropped, as %g does
  while (last > before && digits[last - 1] == '0') --last;
  char* to = out;
  if (value < 0) *to++ = '-';
  to = std::copy(digits, digits + before, to);
  if (last > before) {
    *to++ = '.';
    to = std::copy(digits + before, digits + last, to);
  }
  return static_cast<size_t>(to - out);
}

}  // namespace

numberText numberText::general(double value, int precision) {
  checkDigits(precision);
  numberText number;
  number.size_ = quickGeneral(value, precision, number.digits_.data());
  if (number.size_ == 0) number.format(value, std::chars_format::general, precision);
  return number;
}

numberText numberText::fixed(double value, int places) {
  checkDigits(places);
  numberText number;
  number.format(value, std::chars_format::fixed, places);
  return number;
}

void numberText::format(double value, std::chars_format format, int digits) {
  const auto result = std::to_chars(digits_.data(), digits_.data() + digits_.size(), value, format, digits);
  size_ = static_cast<size_t>(result.ptr - digits_.data());
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
