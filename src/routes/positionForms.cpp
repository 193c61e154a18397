#include "routes/positionForms.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "routes/coordinateValue.h"
#include "text/characters.h"

namespace {

const char* const lettersReason =
    "the hemisphere letters must mark one latitude (N or S) and one longitude (E or W), each letter after its "
    "numbers or each before them, as in 45 30.5 N 10 15.2 E or N45 30.5 E10 15.2";

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

// What a coordinate holds besides its letter: at least one digit, decimal points, the
// separators and marks of degrees, minutes and seconds (d, °, ', ′, ", ″, :), and signs,
// dashes and decimal commas, which are refused later with their own reason. A decimal
// comma only among the marks of degrees and minutes (00°05,5'N), or when `commas` asks
// for it: a word such as 3,5E or 3,5 is a comment's, as it has always been read, not a
// third coordinate.
bool coordinateBody(std::string_view text, bool commas) {
  bool digit = false, comma = false, marked = false;
  for (const char c : text) {
    if (isDigit(c)) {
      digit = true;
    } else if (c == ',') {
      comma = true;
    } else if (static_cast<unsigned char>(c) >= 0x80 ||
               std::string_view(":'\"`*dD").find(c) != std::string_view::npos) {
      marked = true;  // bytes from 0x80 on are the marks written in UTF-8; the decoder judges them
    } else if (std::string_view(".+-").find(c) == std::string_view::npos) {
      return false;
    }
  }
  return digit && (!comma || marked || commas);
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

word classify(std::string_view text, bool commas) {
  word w;
  const char first = hemisphereOf(text.front());
  const char last = hemisphereOf(text.back());
  if (text.size() == 1 && first != 0) {
    w.kind = wordKind::letter;
    w.hemisphere = first;
  } else if (plainNumber(text)) {
    w.kind = wordKind::number;
    w.number = text;
  } else if (first != 0 && last != 0 && coordinateBody(text.substr(1, text.size() - 2), commas)) {
    w.kind = wordKind::twoLetters;
  } else if (first != 0 && last == 0 && coordinateBody(text.substr(1), commas)) {
    w.kind = wordKind::lettered;
    w.hemisphere = first;
    w.letterFirst = true;
    w.number = text.substr(1);
  } else if (last != 0 && first == 0 && coordinateBody(text.substr(0, text.size() - 1), commas)) {
    w.kind = wordKind::lettered;
    w.hemisphere = last;
    w.number = text.substr(0, text.size() - 1);
  } else if (coordinateBody(text, commas)) {
    w.kind = wordKind::number;
    w.number = text;
  }
  return w;
}

using coordinate = dmsCoordinate;

std::vector<word> wordsOf(std::string_view text, bool commas = false) {
  std::vector<word> words;
  size_t pos = 0;
  while (pos < text.size()) {
    if (isSpace(text[pos])) {
      ++pos;
      continue;
    }
    size_t end = pos;
    while (end < text.size() && !isSpace(text[end])) ++end;
    words.push_back(classify(text.substr(pos, end - pos), commas));
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

namespace {

letteredPosition readLetteredWords(std::string_view line, bool commas) {
  letteredPosition result;
  const std::vector<word> words = wordsOf(line, commas);
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
    const std::optional<double> value = coordinateValue(c, result.problem);
    if (!value) return result;
    (latitudeLetter(c.hemisphere) ? result.lat : result.lon) = *value;
  }
  return result;
}

}  // namespace

// A line the letters leave unread may hold a number with a decimal comma (45 30,5 N): read
// with such numbers as coordinates, it is told how to write them. A line read as it
// stands keeps its comment, commas and all.
letteredPosition readLetteredLine(std::string_view line) {
  letteredPosition result = readLetteredWords(line, false);
  if (result.problem == lettersReason && line.find(',') != std::string_view::npos) {
    letteredPosition withCommas = readLetteredWords(line, true);
    if (withCommas.problem.rfind("a decimal comma", 0) == 0) return withCommas;
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
  if (const std::optional<double> value = coordinateValue(coordinates->front(), result.problem)) result.value = *value;
  return result;
}

bool hasCoordinateMarks(std::string_view text) {
  for (const char* mark : {"\xC2\xB0", "\xC2\xBA", "'", "\"", "\xE2\x80\xB2", "\xE2\x80\xB3"}) {
    if (text.find(mark) != std::string_view::npos) return true;
  }
  return false;
}

letteredCoordinate readSignedCoordinate(std::string_view field) {
  letteredCoordinate result;
  coordinate c;
  for (const word& w : wordsOf(field)) {
    if (w.kind != wordKind::number) {
      result.problem =
          "not degrees, minutes and seconds, as in -45\xC2\xB0"
          "30.5' or -45.5\xC2\xB0";
      return result;
    }
    c.numbers.push_back(w.number);
  }
  if (c.numbers.empty()) {
    result.problem =
        "not degrees, minutes and seconds, as in -45\xC2\xB0"
        "30.5' or -45.5\xC2\xB0";
    return result;
  }
  if (const std::optional<double> value = coordinateValue(c, result.problem)) result.value = *value;
  return result;
}

bool signedPositionBeforeComment(std::string_view line) {
  const std::vector<word> words = wordsOf(line);
  if (words.size() < 3 || words[2].kind != wordKind::other) return false;
  for (size_t i = 0; i < 2; ++i) {
    if (words[i].kind != wordKind::number || !plainNumber(words[i].number)) return false;
  }
  return words[0].number.front() == '-' || words[1].number.front() == '-';
}
