// How the dialogue reads the operator's entries from standard input.
//
// Every entry is read from standard input as a word: white space (line ends included) is
// skipped, then the word runs to the next blank, tab, line end or the end of input. After
// a valid entry exactly one character is discarded, normally the line end, so that
// type-ahead such as "3 25" keeps working. A CR directly before a line feed belongs to the
// line end, so answers prepared on another system read the same.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

// Thrown when standard input ends before the entry the dialogue waits for. The editors of
// the dialogue take no arguments and give back the value read, so the end of the input
// passes them by on its way to the driver, which shows it as a failure of the run.
struct inputEnded {
  std::string message;  // for standard output
  std::string reason;   // one line for standard error, or empty
};

// The longest answer line, its line end not counted: far beyond any answer or file name.
// A longer line is dropped whole, read on to its end without being kept.
constexpr size_t longestAnswerLine = 4096;

// Forgets any input read ahead, for a new run in the same process.
void resetInput();

// The next word; inputEnded ("unexpected end of input") when the input ends before one
// begins. Nothing when the word's line is longer than longestAnswerLine: that line is
// dropped but for its line end, which discardRestOfLine takes.
std::optional<std::string> readWord();

// One whole line without its line end; inputEnded when the input has ended. Nothing
// when the line is longer than longestAnswerLine: it is dropped, line end and all.
std::optional<std::string> readLine();

// The character after an entry that is taken, normally the line end (CR LF as one).
void discardOneChar();

// What is left of the line, its line end included.
void discardRestOfLine();

// An optional sign and digits that fit an int.
std::optional<int> intOf(const std::string& word);

// A finite number.
std::optional<double> doubleOf(const std::string& word);

// A speed: a number finite as a float and greater than 0, rounded to the nearest float.
std::optional<float> speedOf(const std::string& word);
