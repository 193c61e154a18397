#include "positionTexts.h"

#include <array>
#include <cstring>
#include <stdexcept>

#include "textOut.h"
#include "vesk.h"
#include "wptList.h"

namespace {

// Positions formatted between two reports to the writers.
constexpr size_t reportEvery = 1024;

// A record holds one position, packed: a formatted number is written with digits, '.',
// '-', 'e', '+', and "inf" or "nan" when it is not finite, each taking four bits, so that
// a route of millions of waypoints keeps its positions in half the memory. A record is
// a byte with the two lengths, the packed latitude and longitude, and the byte of lengths
// again, so that records can be read from either end. "%.9g" of a double takes 1 to 16
// symbols, so each length less one fits in four bits.
constexpr size_t longestText = 16;
constexpr size_t longestRecord = 2 + longestText;
constexpr std::string_view symbols[16] = {"0", "1", "2", "3", "4", "5", "6", "7",
                                          "8", "9", ".", "-", "e", "+", "inf", "nan"};

// The symbols of `text` into `out`; how many.
size_t encoded(std::string_view text, unsigned char* out) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); ++count) {
    const char c = text[i];
    unsigned char symbol = 16;
    if (c >= '0' && c <= '9') {
      symbol = static_cast<unsigned char>(c - '0');
    } else {
      for (unsigned char s = 10; s < 16; ++s) {
        if (text.compare(i, symbols[s].size(), symbols[s]) == 0) symbol = s;
      }
    }
    if (symbol == 16 || count == longestText) throw std::logic_error("positionTexts: not a formatted number");
    out[count] = symbol;
    i += symbols[symbol].size();
  }
  return count;
}

size_t latSymbols(unsigned char lengths) { return (lengths >> 4) + 1u; }
size_t lonSymbols(unsigned char lengths) { return (lengths & 15u) + 1u; }
size_t recordSize(unsigned char lengths) { return 2 + (latSymbols(lengths) + lonSymbols(lengths) + 1) / 2; }

// The record of the position `lat`, `lon` at `to`; where it ends.
char* packed(std::string_view lat, std::string_view lon, char* to) {
  unsigned char symbol[2 * longestText + 1];
  const size_t latCount = encoded(lat, symbol);
  const size_t total = latCount + encoded(lon, symbol + latCount);
  symbol[total] = 0;
  const auto lengths = static_cast<char>((latCount - 1) << 4 | (total - latCount - 1));
  *to++ = lengths;
  for (size_t i = 0; i < total; i += 2) *to++ = static_cast<char>(symbol[i] << 4 | symbol[i + 1]);
  *to++ = lengths;
  return to;
}

// The text of every byte of two symbols, so that a record is unpacked a byte at a time.
struct symbolPair {
  char text[6];
  unsigned char size;
};
constexpr std::array<symbolPair, 256> symbolPairs = [] {
  std::array<symbolPair, 256> pairs{};
  for (size_t byte = 0; byte < 256; ++byte) {
    symbolPair& pair = pairs[byte];
    for (const std::string_view symbol : {symbols[byte >> 4], symbols[byte & 15u]}) {
      for (const char c : symbol) pair.text[pair.size++] = c;
    }
  }
  return pairs;
}();

char* copied(std::string_view text, char* to) {
  for (const char c : text) *to++ = c;
  return to;
}

// The text of `count` symbols of `packed` from the symbol `first` on, at `to`, which
// has room for six characters more; where it ends.
char* unpacked(const unsigned char* packed, size_t first, size_t count, char* to) {
  size_t i = first;
  const size_t end = first + count;
  if (i % 2 == 1 && i < end) to = copied(symbols[packed[i++ / 2] & 15u], to);
  for (; i + 1 < end; i += 2) {
    const symbolPair& pair = symbolPairs[packed[i / 2]];
    std::memcpy(to, pair.text, sizeof pair.text);
    to += pair.size;
  }
  if (i < end) to = copied(symbols[packed[i / 2] >> 4], to);
  return to;
}

}  // namespace

positionTexts::positionTexts() {
  for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) ++count_;
  if (count_ == 0) return;
  records_ = largeBlock(count_ * longestRecord);
  if (!records_) failRun("out of memory: cannot format the waypoints\n");
  if (count_ < static_cast<size_t>(threadedFromWaypoints)) {
    format();
  } else {
    thread_ = std::thread([this] { format(); });
  }
}

positionTexts::~positionTexts() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

void positionTexts::format() {
  char* const start = records_.data();
  char* to = start;
  size_t done = 0;
  // The launch waypoint, then from the last back: the mission script starts with the
  // launch position in its head and then writes the groups from the end of the mission.
  const node* n = headNodePtr;
  while (done < count_ && !stop_.load(std::memory_order_relaxed)) {
    const numberText lat = numberText::general(n->Lat, digits);
    const numberText lon = numberText::general(n->Lon, digits);
    to = packed(lat.view(), lon.view(), to);
    n = n == headNodePtr ? tailNodePtr : n->prevPtr;
    if (++done % reportEvery == 0 || done == count_) {
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        bytes_ = static_cast<size_t>(to - start);
        ready_.store(done, std::memory_order_release);
      }
      formatted_.notify_all();
    }
  }
}

void positionTexts::waitFor(size_t positions) {
  if (ready_.load(std::memory_order_acquire) >= positions) return;
  std::unique_lock<std::mutex> lock(mutex_);
  formatted_.wait(lock, [&] { return ready_.load(std::memory_order_acquire) >= positions; });
}

positionTexts::position positionTexts::at(const char* record, unpackedText& text) {
  const auto lengths = static_cast<unsigned char>(record[0]);
  const auto* const packedText = reinterpret_cast<const unsigned char*>(record + 1);
  const char* const latEnd = unpacked(packedText, 0, latSymbols(lengths), text.lat);
  const char* const lonEnd = unpacked(packedText, latSymbols(lengths), lonSymbols(lengths), text.lon);
  return {{text.lat, static_cast<size_t>(latEnd - text.lat)}, {text.lon, static_cast<size_t>(lonEnd - text.lon)}};
}

positionTexts::position positionTexts::nextForScript() {
  if (scriptRead_ == count_) throw std::logic_error("positionTexts: every position has been given");
  waitFor(++scriptRead_);
  const char* const record = records_.data() + scriptNext_;
  scriptNext_ += recordSize(static_cast<unsigned char>(record[0]));
  return at(record, scriptText_);
}

positionTexts::position positionTexts::nextInRoute() {
  if (routeRead_ == count_) throw std::logic_error("positionTexts: every position has been given");
  if (routeRead_++ == 0) {
    waitFor(1);
    return at(records_.data(), routeText_);
  }
  if (routeRead_ == 2) {
    // Waypoint 1 comes last in the records: read back from the end once all are there.
    waitFor(count_);
    const std::lock_guard<std::mutex> lock(mutex_);
    routeNext_ = bytes_;
  }
  routeNext_ -= recordSize(static_cast<unsigned char>(records_.data()[routeNext_ - 1]));
  return at(records_.data() + routeNext_, routeText_);
}
