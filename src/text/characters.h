// The characters of the texts the program reads and shows: blanks and their trimming, and
// UTF-8, in which every text of the program is held. One reading of each for the whole
// program, so that a file, a typed name and a message agree on what a blank or a valid
// character is.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

bool isBlank(char c);  // blank or tab
bool isSpace(char c);  // blank, tab or a line end

// `text` without blanks and tabs at either end.
std::string_view trimmed(std::string_view text);

// The length of the valid UTF-8 sequence that starts `text` at `at`, with its code point in
// `code`; 0 when the bytes there are none: a stray continuation byte, a sequence cut short
// or overlong, a surrogate or a code point beyond U+10FFFF.
size_t utf8Length(std::string_view text, size_t at, char32_t& code);

// Appends the code point `code` (at most U+10FFFF) to `text` in UTF-8.
void appendUtf8(std::string& text, char32_t code);
