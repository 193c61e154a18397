// Numbers as printf prints them, on every platform; text handed on in full buffers with
// the destination's line ends.
#include "text/textOut.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::string printfText(const char* format, int digits, double value) {
  char text[512];
  std::snprintf(text, sizeof text, format, digits, value);
  return text;
}

std::string general(double value, int precision) { return std::string(numberText::general(value, precision).view()); }

std::string fixed(double value, int places) { return std::string(numberText::fixed(value, places).view()); }

// Values where printf's formats change their minds: where %g turns to an exponent (below
// 1e-4, and at the precision), where a rounding carries into a new digit, trailing zeros,
// signs, exact halves, and the ends of the doubles.
const std::vector<double> boundaryValues = {
    0.0, -0.0, 1.0, -1.0, 0.1, 0.5, 1.5, 2.5, -2.5, 3.5, 10.0, 100.0, 1.25, 1.35, 2.675, 0.125,
    // %g: exponent below 1e-4
    1e-4, -1e-4, 0.00009999995, 0.000099999949, 0.0000999999, 0.00010000005, 0.000123456789, 9.99999e-5, 9.999995e-5,
    1e-5, 1.234e-5, -5e-5,
    // %g with six digits: exponent from 1e6, and values that round up to it
    999999.0, 999999.4, 999999.5, 999999.6, 1e6, 1e6 + 1, 123456.5, 1234567.0, -999999.5,
    // %.9g: exponent from 1e9
    999999999.0, 999999999.4, 999999999.5, 1e9, 123456789.5, 12345678.95,
    // trailing zeros dropped, and nine significant digits of positions
    45.5, 45.0078612, 10.0125547, 44.9955034, -12.34567, 179.999999995, -179.999999995, 89.9999999996, -45.12345678,
    12.3456789012, 123.456789123, 333.3333333, 922.08136, 1200.000001,
    // halfway in decimal but not in binary, and exactly halfway in binary
    0.000015, 1.0000005, 2.0000005, 8.5, 0.0625, 1e15 + 0.5, 4503599627370496.5, 9007199254740993.0,
    // the ends of the doubles, denormals included
    DBL_MAX, -DBL_MAX, DBL_MIN, -DBL_MIN, DBL_MIN / 2, std::numeric_limits<double>::denorm_min(),
    -std::numeric_limits<double>::denorm_min(), 4.9406564584124654e-324 * 3, 2.2250738585072009e-308, 1e300, 1e-300,
    1e22, 1e23, 5e-324,
    // beyond an int, as durations of a mistyped speed can be
    2147483647.0, 2147483648.0, -2147483649.0, 3000000000.5, 5e9, std::numeric_limits<double>::infinity(),
    -std::numeric_limits<double>::infinity()};

TEST(NumberText, GeneralAndFixedFormatsMatchPrintfAtEveryBoundary) {
  for (const double value : boundaryValues) {
    for (const int precision : {6, 9, 1, 17}) {
      EXPECT_EQ(general(value, precision), printfText("%.*g", precision, value))
          << "%." << precision << "g of " << printfText("%.*e", 17, value);
    }
    for (const int places : {0, 3}) {
      EXPECT_EQ(fixed(value, places), printfText("%.*f", places, value))
          << "%." << places << "f of " << printfText("%.*e", 17, value);
    }
  }
  // printf's plain %g is a precision of 6.
  EXPECT_EQ(general(0.0001, 6), "0.0001");
  EXPECT_EQ(general(0.00009999995, 6), "0.0001");
  EXPECT_EQ(general(999999.5, 6), "1e+06");
  EXPECT_EQ(general(-0.0, 9), "-0");
  EXPECT_EQ(general(5e-324, 9), "4.94065646e-324");
  EXPECT_EQ(fixed(2.5, 0), "2");
  EXPECT_EQ(fixed(-0.5, 0), "-0");
  EXPECT_EQ(fixed(DBL_MAX, 0).size(), 309u);
}

TEST(NumberText, ArbitraryDoublesMatchPrintf) {
  // Every bit pattern is as likely: all exponents, denormals and odd mantissas.
  uint64_t state = 0x2545F4914F6CDD1DULL;
  int compared = 0;
  for (int i = 0; i < 20000; ++i) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    double value = 0;
    std::memcpy(&value, &state, sizeof value);
    if (!std::isfinite(value)) continue;
    ++compared;
    for (const int precision : {6, 9}) {
      ASSERT_EQ(general(value, precision), printfText("%.*g", precision, value)) << printfText("%.*e", 17, value);
    }
    ASSERT_EQ(fixed(value, 0), printfText("%.*f", 0, value)) << printfText("%.*e", 17, value);
  }
  EXPECT_GT(compared, 19000);
}

// The values the files hold most, positions, depths, durations, are formatted by integer
// arithmetic of their own: every digit must still be printf's, halves going to the even
// neighbour, roundings that carry into a new digit included.
TEST(NumberText, PositionsAndValuesOfTheFilesMatchPrintf) {
  uint64_t state = 0x9E3779B97F4A7C15ULL;
  const auto next = [&] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  int compared = 0;
  for (int i = 0; i < 300000; ++i) {
    const uint64_t r = next();
    double value = 0;
    switch (i % 4) {
      case 0: value = -180 + 360 * static_cast<double>(r >> 11) / 9007199254740992.0; break;  // any position
      case 1:
        value = std::ldexp(static_cast<double>(r % 2000000000 + 1), -static_cast<int>(next() % 31));
        break;                                                                                        // halves
      case 2: value = static_cast<double>(r % 4000000000) / 10000 + (r % 3 == 0 ? 5e-10 : 0); break;  // decimals typed
      default: value = 999.9999999 + static_cast<double>(r % 1000) * 1e-10; break;  // carries into a new digit
    }
    if (r % 2 == 0) value = -value;
    for (const int precision : {3, 6, 9, 15, 17}) {
      ASSERT_EQ(general(value, precision), printfText("%.*g", precision, value)) << printfText("%.*e", 17, value);
      ++compared;
    }
  }
  EXPECT_EQ(compared, 1500000);
}

TEST(NumberText, IntegersAtTheEndsOfTheirRange) {
  const std::vector<long long> values = {0, 1, -1, 9, 10, -10, INT_MAX, INT_MIN, LLONG_MAX, LLONG_MIN, 1000000};
  for (const long long value : values) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld", value);
    EXPECT_EQ(numberText::integer(value).view(), text);
  }
  EXPECT_THROW(numberText::general(1, 18), std::invalid_argument);
  EXPECT_THROW(numberText::fixed(1, -1), std::invalid_argument);
}

// Records every piece a target is handed.
class recordingTarget : public textTarget {
 public:
  void take(const char* data, size_t size) override { pieces.emplace_back(data, size); }
  std::string whole() const {
    std::string all;
    for (const std::string& piece : pieces) all += piece;
    return all;
  }
  std::vector<std::string> pieces;
};

TEST(TextOut, LongTextsReachTheTargetInFullBuffersAndShortOnesWhole) {
  recordingTarget target;
  std::string expected;
  {
    textOut out(target, "\r\n");
    // Pieces of awkward lengths, so that one of them straddles every buffer boundary.
    for (int i = 0; expected.size() < 3 * textOut::bufferSize + 1000; ++i) {
      const std::string piece(static_cast<size_t>(i % 997 + 1), static_cast<char>('a' + i % 26));
      out.put(piece);
      out.put(numberText::general(i * 0.25, 9));
      out.endLine();
      expected += piece + printfText("%.*g", 9, i * 0.25) + "\r\n";
    }
    out.put(std::string(2 * textOut::bufferSize + 7, 'z'));  // longer than a whole buffer
    expected += std::string(2 * textOut::bufferSize + 7, 'z');
    out.flush();
    out.flush();  // nothing more to hand on
  }
  EXPECT_EQ(target.whole(), expected);
  ASSERT_GE(target.pieces.size(), 5u);
  // The buffer grows while the text is short; then every piece but the last is a full one.
  size_t firstFull = 0;
  while (target.pieces[firstFull].size() < textOut::bufferSize) ++firstFull;
  for (size_t i = firstFull; i + 1 < target.pieces.size(); ++i) {
    EXPECT_EQ(target.pieces[i].size(), textOut::bufferSize) << "piece " << i;
  }

  recordingTarget shortText;
  textOut out(shortText, "\n");
  out.line("one line");
  out.flush();
  EXPECT_EQ(shortText.pieces, std::vector<std::string>{"one line\n"});
}

TEST(TextOut, LinesTakeTheLineEndOfTheirDestination) {
  recordingTarget crlf;
  textOut file(crlf, "\r\n");
  file.lines("a\nb\n\nc");
  file.lines("\n");
  file.line("d");
  file.flush();
  EXPECT_EQ(crlf.whole(), "a\r\nb\r\n\r\nc\r\nd\r\n");

  recordingTarget lf;
  textOut console(lf, "\n");
  console.lines("a\nb\n\nc\n");
  console.flush();
  EXPECT_EQ(lf.whole(), "a\nb\n\nc\n");

  // Text not yet handed on when an output is given up never reaches its target.
  recordingTarget dropped;
  {
    textOut abandoned(dropped, "\n");
    abandoned.line("half a mission");
  }
  EXPECT_TRUE(dropped.pieces.empty());
}

}  // namespace
