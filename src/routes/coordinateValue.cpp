#include "routes/coordinateValue.h"

#include <GeographicLib/DMS.hpp>
#include <cmath>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool latitudeLetter(char hemisphere) { return hemisphere == 'N' || hemisphere == 'S'; }

namespace {

const char* const signReason =
    "a coordinate takes a sign or a hemisphere letter, not both, as in 33.86 S 151.21 E or -33.86 151.21";
const char* const piecesReason = "a coordinate is at most degrees, minutes and seconds, as in 45 30 30 N";
const char* const wordsReason =
    "the degrees, minutes and seconds of a coordinate are either separate numbers, as in 45 30 30 N, "
    "or one word, as in 45:30:30N or 45\xC2\xB0"
    "30'30\"N";
const char* const sixtyReason = "minutes and seconds must be less than 60, as in 45 59.5 N";

using coordinate = dmsCoordinate;

// A sign, in ASCII or as one of the dashes, minus and plus signs the decoder takes for one.
bool hasSign(std::string_view number) {
  if (number.find_first_of("+-") != std::string_view::npos) return true;
  for (const char* sign : {"\xE2\x80\x90", "\xE2\x80\x91", "\xE2\x80\x93", "\xE2\x80\x94", "\xE2\x88\x92",
                           "\xE2\x9E\x95", "\xE2\x9E\x96", "\xE2\x81\xA4"}) {
    if (number.find(sign) != std::string_view::npos) return true;
  }
  return false;
}

// The coordinate's words as the operator should have written them, each character `from`
// replaced by `to`, with the letter after them.
std::string rewritten(const coordinate& c, char from, const std::string& to) {
  std::string text;
  for (const std::string_view number : c.numbers) {
    if (!text.empty()) text += ' ';
    for (const char ch : number) text += ch == from ? to : std::string(1, ch);
  }
  if (c.hemisphere == 0) return text;
  return text + (text.find(' ') != std::string::npos ? " " : "") + c.hemisphere;
}

// Why a coordinate written as charts and other tools often write it cannot be read: a
// decimal comma, or dashes between its degrees, minutes and seconds (00-05.5N), which
// could as well be signs. Empty when it is neither.
std::string commonSlip(const coordinate& c) {
  for (const std::string_view number : c.numbers) {
    for (size_t i = 1; i + 1 < number.size(); ++i) {
      if (number[i] == ',' && isDigit(number[i - 1]) && isDigit(number[i + 1])) {
        return "a decimal comma; write " + rewritten(c, ',', ".");
      }
    }
  }
  if (c.numbers.size() != 1) return "";
  const std::string_view number = c.numbers.front();
  size_t dashes = 0;
  for (size_t i = 1; i + 1 < number.size(); ++i) {
    if (number[i] != '-') continue;
    if (!isDigit(number[i - 1]) || !isDigit(number[i + 1])) return "";
    ++dashes;
  }
  if (dashes == 0 || dashes > 2 || number.find_first_not_of("0123456789.-") != std::string_view::npos) return "";
  // 00-05.5 written with blanks (00 05.5) and with marks (00°05.5').
  std::string withMarks;
  bool degrees = true;
  for (const char ch : number) {
    withMarks += ch != '-' ? std::string(1, ch) : degrees ? "\xC2\xB0" : "'";
    degrees = degrees && ch != '-';
  }
  coordinate marked{c.hemisphere, {}};
  withMarks += dashes == 1 ? "'" : "\"";
  marked.numbers = {withMarks};
  return std::string(dashes == 1 ? "a dash between the degrees and the minutes"
                                 : "dashes between the degrees, minutes and seconds") +
         "; write " + rewritten(c, '-', " ") + " or " + rewritten(marked, 0, "");
}

}  // namespace

// The value of one coordinate, through GeographicLib's DMS decoder: its letter gives the
// sign, or, without a letter (hemisphere 0), a sign before its degrees.
std::optional<double> coordinateValue(const coordinate& c, std::string& problem) {
  problem = commonSlip(c);
  if (!problem.empty()) return std::nullopt;
  for (size_t k = 0; k < c.numbers.size(); ++k) {
    const std::string_view number = c.numbers[k];
    if (hasSign(c.hemisphere == 0 && k == 0 ? number.substr(1) : number)) {
      problem = c.hemisphere != 0 ? signReason
                                  : "a sign stands before the degrees only, as in -45\xC2\xB0"
                                    "30.5'";
      return std::nullopt;
    }
  }
  if (c.numbers.size() > 3) {
    problem = piecesReason;
    return std::nullopt;
  }
  // Degrees, minutes and seconds written apart are joined with their marks (45 30 15 is
  // 45d30'15"); one word is handed over as it stands.
  std::string text;
  for (size_t k = 0; k < c.numbers.size(); ++k) {
    const std::string_view number = c.numbers[k];
    if (c.numbers.size() > 1) {
      // The sign of a coordinate without a letter stands before its degrees.
      const size_t sign = c.hemisphere == 0 && k == 0 && (number[0] == '-' || number[0] == '+') ? 1 : 0;
      size_t digits = sign;
      while (digits < number.size() && (isDigit(number[digits]) || number[digits] == '.')) ++digits;
      const std::string_view mark = number.substr(digits);
      // Minutes and seconds may share a word with their marks (S0 08'02.4"); the decoder
      // tells whether the marks follow each other in order.
      if (digits == sign || (mark.find_first_of("0123456789") != std::string_view::npos &&
                             (mark.find(':') != std::string_view::npos || k == 0))) {
        problem = wordsReason;
        return std::nullopt;
      }
      text += number;
      if (mark.empty()) text += "d'\""[k];
    } else {
      text += number;
    }
  }
  if (c.hemisphere != 0) text += c.hemisphere;
  // The colon form is degrees:minutes:seconds alone. The library that reads the others
  // reads memory it does not own on a colon form mixed with marks or of more than three
  // parts (1"1:1:1, 1:1:1:1:1:1): those are refused before it sees them.
  if (text.find(':') != std::string::npos) {
    size_t colons = 0;
    bool plain = true;
    for (size_t i = 0; i < text.size(); ++i) {
      const char ch = text[i];
      colons += ch == ':' ? 1 : 0;
      plain = plain && (isDigit(ch) || ch == '.' || ch == ':' || (i + 1 == text.size() && ch == c.hemisphere));
    }
    if (!plain || colons > 2) {
      problem = "\"" + text + "\" is not degrees, minutes and seconds, as in 45:30:30N";
      return std::nullopt;
    }
  }
  try {
    GeographicLib::DMS::flag kind = GeographicLib::DMS::NONE;
    const double value = GeographicLib::DMS::Decode(text, kind);
    const GeographicLib::DMS::flag wanted = c.hemisphere == 0              ? GeographicLib::DMS::NONE
                                            : latitudeLetter(c.hemisphere) ? GeographicLib::DMS::LATITUDE
                                                                           : GeographicLib::DMS::LONGITUDE;
    if (std::isfinite(value) && kind == wanted) {
      return value;
    }
    problem = "\"" + text + "\" is not degrees, minutes and seconds, as in 45 30.5 N";
  } catch (const std::bad_alloc&) {
    throw;  // memory ran out: no fault of the text
  } catch (const std::exception& e) {
    const std::string what = e.what();
    problem = what.rfind("Minutes ", 0) == 0 || what.rfind("Seconds ", 0) == 0
                  ? sixtyReason
                  : "not degrees, minutes and seconds (" + what +
                        "), as in 45 30.5 N or 45\xC2\xB0"
                        "30.5'N";
  }
  return std::nullopt;
}
