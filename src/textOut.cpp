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

textTemplate::textTemplate(std::string_view text, std::string_view lineEnd,
                           std::initializer_list<std::string_view> fields,
                           std::initializer_list<std::pair<std::string_view, std::string_view>> fixed)
    : lineEnd_(lineEnd), fieldCount_(fields.size()) {
  text_.reserve(2 * text.size());
  pieces_.push_back({0, -1});
  add(text, std::vector<std::string_view>(fields), fixed, 0);
}

void textTemplate::add(std::string_view text, const std::vector<std::string_view>& fields,
                       std::initializer_list<std::pair<std::string_view, std::string_view>> fixed, int depth) {
  // A fixed text that names itself would never end.
  if (depth > 8) throw std::logic_error("textTemplate: fixed texts nested too deeply");
  while (!text.empty()) {
    const size_t lineEnd = text.find('\n');
    const size_t open = text.substr(0, lineEnd).find("{{");
    const size_t special = std::min(lineEnd, open);
    const std::string_view plain = text.substr(0, special);
    text_.append(plain);
    pieces_.back().size += plain.size();
    if (special == std::string_view::npos) return;
    if (special == lineEnd) {
      text_.append(lineEnd_);
      pieces_.back().size += lineEnd_.size();
      text.remove_prefix(special + 1);
      continue;
    }
    const size_t close = text.find("}}", open);
    if (close == std::string_view::npos) throw std::logic_error("textTemplate: unclosed name");
    const std::string_view name = text.substr(open + 2, close - open - 2);
    text.remove_prefix(close + 2);
    bool found = false;
    for (const auto& [fixedName, fixedText] : fixed) {
      if (fixedName == name) {
        add(fixedText, fields, fixed, depth + 1);
        found = true;
        break;
      }
    }
    for (size_t i = 0; i < fields.size() && !found; ++i) {
      if (fields[i] == name) {
        pieces_.back().field = static_cast<int>(i);
        pieces_.push_back({0, -1});
        found = true;
      }
    }
    if (!found) throw std::logic_error("textTemplate: unknown name {{" + std::string(name) + "}}");
  }
}

void textTemplate::write(textOut& out, std::initializer_list<std::string_view> values) const {
  if (values.size() != fieldCount_) throw std::logic_error("textTemplate: wrong number of values");
  const std::string_view* const value = values.begin();
  const char* next = text_.data();
  // Mostly the whole text fits in the buffer: copied in one go, with one check of room.
  size_t size = text_.size();
  for (const piece& p : pieces_) {
    if (p.field >= 0) size += value[p.field].size();
  }
  if (char* to = out.room(size)) {
    for (const piece& p : pieces_) {
      std::memcpy(to, next, p.size);
      to += p.size;
      next += p.size;
      if (p.field >= 0) {
        std::memcpy(to, value[p.field].data(), value[p.field].size());
        to += value[p.field].size();
      }
    }
    out.advance(to);
    return;
  }
  for (const piece& p : pieces_) {
    out.put(std::string_view(next, p.size));
    next += p.size;
    if (p.field >= 0) out.put(value[p.field]);
  }
}
