#include "routes/positionForms.h"

#include <GeographicLib/DMS.hpp>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/characters.h"

namespace {

const char* const lettersReason =
    "the hemisphere letters must mark one latitude (N or S) and one longitude (E or W), each letter after its "
    "numbers or each before them, as in 45 30.5 N 10 15.2 E or N45 30.5 E10 15.2";
const char* const signReason =
    "a coordinate takes a sign or a hemisphere letter, not both, as in 33.86 S 151.21 E or -33.86 151.21";
const char* const piecesReason = "a coordinate is at most degrees, minutes and seconds, as in 45 30 30 N";
const char* const wordsReason =
    "the degrees, minutes and seconds of a coordinate are either separate numbers, as in 45 30 30 N, "
    "or one word, as in 45:30:30N or 45\xC2\xB0"
    "30'30\"N";
const char* const sixtyReason = "minutes and seconds must be less than 60, as in 45 59.5 N";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// 'N', 'S', 'E' or 'W' for a hemisphere letter in either case, otherwise 0.
char hemisphereOf(char c) {
  switch (c) {
    case 'N':
    case 'n': return 'N';
    case 'S':
    case 's': return 'S';
    case 'E':
    case 'e': return 'E';
    case 'W':
    case 'w': return 'W';
    default: return 0;
  }
}

bool latitudeLetter(char hemisphere) { return hemisphere == 'N' || hemisphere == 'S'; }

// What a coordinate holds besides its letter: at least one digit, decimal points, the
// separators and marks of degrees, minutes and seconds (d, °, ', ′, ", ″, :) and signs,
// which are refused later with their own reason.
bool coordinateBody(std::string_view text) {
  bool digit = false;
  for (const char c : text) {
    if (isDigit(c)) {
      digit = true;
    } else if (static_cast<unsigned char>(c) < 0x80 &&
               std::string_view(".+-:'\"`*dD").find(c) == std::string_view::npos) {
      return false;  // bytes from 0x80 on are the marks written in UTF-8; the decoder judges them
    }
  }
  return digit;
}

// Whether the plain rules read `text` whole as one number: 1e5, 0x1E and nan are numbers
// as they always were, not coordinates with a letter.
bool plainNumber(std::string_view text) {
  const std::string copy(text);
  char* end = nullptr;
  std::strtod(copy.c_str(), &end);
  return end == copy.c_str() + copy.size();
}

enum class wordKind { number, letter, lettered, twoLetters, other };

struct word {
  wordKind kind = wordKind::other;
  char hemisphere = 0;       // of a letter or a lettered word
  bool letterFirst = false;  // a lettered word's letter stands before its number (N45)
  std::string_view number;   // a number, or a lettered word without its letter
};

word classify(std::string_view text) {
  word w;
  const char first = hemisphereOf(text.front());
  const char last = hemisphereOf(text.back());
  if (text.size() == 1 && first != 0) {
    w.kind = wordKind::letter;
    w.hemisphere = first;
  } else if (plainNumber(text)) {
    w.kind = wordKind::number;
    w.number = text;
  } else if (first != 0 && last != 0 && coordinateBody(text.substr(1, text.size() - 2))) {
    w.kind = wordKind::twoLetters;
  } else if (first != 0 && last == 0 && coordinateBody(text.substr(1))) {
    w.kind = wordKind::lettered;
    w.hemisphere = first;
    w.letterFirst = true;
    w.number = text.substr(1);
  } else if (last != 0 && first == 0 && coordinateBody(text.substr(0, text.size() - 1))) {
    w.kind = wordKind::lettered;
    w.hemisphere = last;
    w.number = text.substr(0, text.size() - 1);
  } else if (coordinateBody(text)) {
    w.kind = wordKind::number;
    w.number = text;
  }
  return w;
}

std::vector<word> wordsOf(std::string_view text) {
  std::vector<word> words;
  size_t pos = 0;
  while (pos < text.size()) {
    if (isSpace(text[pos])) {
      ++pos;
      continue;
    }
    size_t end = pos;
    while (end < text.size() && !isSpace(text[end])) ++end;
    words.push_back(classify(text.substr(pos, end - pos)));
    pos = end;
  }
  return words;
}

bool hasLetter(const word& w) {
  return w.kind == wordKind::letter || w.kind == wordKind::lettered || w.kind == wordKind::twoLetters;
}

bool startsWithLetter(const word& w) {
  return w.kind == wordKind::letter || (w.kind == wordKind::lettered && w.letterFirst);
}

// A sign, in ASCII or as one of the dashes, minus and plus signs the decoder takes for one.
bool hasSign(std::string_view number) {
  if (number.find_first_of("+-") != std::string_view::npos) return true;
  for (const char* sign : {"\xE2\x80\x90", "\xE2\x80\x91", "\xE2\x80\x93", "\xE2\x80\x94", "\xE2\x88\x92",
                           "\xE2\x9E\x95", "\xE2\x9E\x96", "\xE2\x81\xA4"}) {
    if (number.find(sign) != std::string_view::npos) return true;
  }
  return false;
}

struct coordinate {
  char hemisphere = 0;
  std::vector<std::string_view> numbers;  // degrees, then minutes and seconds when apart
};

// Groups the words of a position into coordinates at their letters: with the letter
// before its numbers when the first word starts with one, otherwise after them.
std::optional<std::vector<coordinate>> coordinatesOf(const std::vector<word>& words, size_t count) {
  std::vector<coordinate> found;
  const bool letterFirst = count > 0 && startsWithLetter(words[0]);
  coordinate open;
  for (size_t i = 0; i < count; ++i) {
    const word& w = words[i];
    if (letterFirst) {
      if (startsWithLetter(w)) {
        found.push_back({w.hemisphere, {}});
      } else if (w.kind == wordKind::lettered) {
        return std::nullopt;  // a letter after its numbers among letters before them
      }
      if (w.kind != wordKind::letter) found.back().numbers.push_back(w.number);
      continue;
    }
    if (w.kind == wordKind::lettered && w.letterFirst) return std::nullopt;
    if (w.kind == wordKind::letter && open.numbers.empty()) return std::nullopt;
    if (w.kind != wordKind::letter) open.numbers.push_back(w.number);
    if (hasLetter(w)) {
      open.hemisphere = w.hemisphere;
      found.push_back(open);
      open = {};
    }
  }
  // Numbers after the last letter, or a letter with no number after it.
  if (!open.numbers.empty()) return std::nullopt;
  for (const coordinate& c : found) {
    if (c.numbers.empty()) return std::nullopt;
  }
  return found;
}

// The value of one coordinate, through GeographicLib's DMS decoder; its letter gives the sign.
std::optional<double> valueOf(const coordinate& c, std::string& problem) {
  for (const std::string_view number : c.numbers) {
    if (hasSign(number)) {
      problem = signReason;
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
      size_t digits = 0;
      while (digits < number.size() && (isDigit(number[digits]) || number[digits] == '.')) ++digits;
      const std::string_view mark = number.substr(digits);
      if (digits == 0 || mark.find_first_of("0123456789") != std::string_view::npos) {
        problem = wordsReason;
        return std::nullopt;
      }
      text += number;
      if (mark.empty()) text += "d'\""[k];
    } else {
      text += number;
    }
  }
  text += c.hemisphere;
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
    if (std::isfinite(value) &&
        kind == (latitudeLetter(c.hemisphere) ? GeographicLib::DMS::LATITUDE : GeographicLib::DMS::LONGITUDE)) {
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

}  // namespace

bool hasHemisphereLetter(std::string_view text) {
  // Most lines are plain numbers, read by the million: only a line with one of these
  // letters needs a closer look.
  bool letter = false;
  for (const char c : text) letter = letter || hemisphereOf(c) != 0;
  if (!letter) return false;
  for (const word& w : wordsOf(text)) {
    if (hasLetter(w)) return true;
  }
  return false;
}

letteredPosition readLetteredLine(std::string_view line) {
  letteredPosition result;
  const std::vector<word> words = wordsOf(line);
  size_t count = 0;  // the position's words; a comment follows them
  while (count < words.size() && words[count].kind != wordKind::other) ++count;
  std::vector<char> letters;
  for (size_t i = 0; i < words.size(); ++i) {
    if (words[i].kind == wordKind::twoLetters || (i >= count && hasLetter(words[i]))) {
      result.problem = lettersReason;
      return result;
    }
    if (hasLetter(words[i])) letters.push_back(words[i].hemisphere);
  }
  if (letters.size() != 2 || latitudeLetter(letters[0]) == latitudeLetter(letters[1])) {
    result.problem = lettersReason;
    return result;
  }
  const std::optional<std::vector<coordinate>> coordinates = coordinatesOf(words, count);
  if (!coordinates || coordinates->size() != 2) {
    result.problem = lettersReason;
    return result;
  }
  for (const coordinate& c : *coordinates) {
    const std::optional<double> value = valueOf(c, result.problem);
    if (!value) return result;
    (latitudeLetter(c.hemisphere) ? result.lat : result.lon) = *value;
  }
  return result;
}

letteredCoordinate readLetteredCoordinate(std::string_view field, bool latitude) {
  letteredCoordinate result;
  const std::vector<word> words = wordsOf(field);
  size_t letters = 0;
  bool rightKind = true;
  for (const word& w : words) {
    if (w.kind == wordKind::other) {
      result.problem = latitude ? "the latitude is not a number" : "the longitude is not a number";
      return result;
    }
    if (hasLetter(w)) {
      letters += w.kind == wordKind::twoLetters ? 2 : 1;
      rightKind = rightKind && latitudeLetter(w.hemisphere) == latitude;
    }
  }
  if (letters != 1 || !rightKind) {
    result.problem = "a latitude is marked N or S and a longitude E or W, as in 45 30.5 N and 10 15.2 E";
    return result;
  }
  const std::optional<std::vector<coordinate>> coordinates = coordinatesOf(words, words.size());
  if (!coordinates || coordinates->size() != 1) {
    result.problem = "the hemisphere letter stands after the numbers or before them, as in 45 30.5 N or N45 30.5";
    return result;
  }
  if (const std::optional<double> value = valueOf(coordinates->front(), result.problem)) result.value = *value;
  return result;
}
