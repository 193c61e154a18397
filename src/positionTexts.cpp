#include "positionTexts.h"

#include <stdexcept>

#include "textOut.h"
#include "vesk.h"
#include "wptList.h"

namespace {

// A route this short is formatted at once: a thread costs more than it saves.
constexpr size_t threadedFrom = 8192;

// Positions formatted between two reports to the writers.
constexpr size_t reportEvery = 1024;

// A record holds one position: a byte with the lengths, the latitude, the longitude and
// the byte of lengths again, so that records can be read from either end. "%.9g" of a
// double takes 1 to 16 characters, so each length less one fits in four bits.
constexpr size_t longestText = 16;
constexpr size_t longestRecord = 2 * longestText + 2;

unsigned char lengths(size_t lat, size_t lon) { return static_cast<unsigned char>((lat - 1) << 4 | (lon - 1)); }
size_t latLength(unsigned char lengths) { return (lengths >> 4) + 1u; }
size_t lonLength(unsigned char lengths) { return (lengths & 15u) + 1u; }
size_t recordSize(unsigned char lengths) { return latLength(lengths) + lonLength(lengths) + 2; }

// Copies `text` to `to`; where it ends.
char* copied(std::string_view text, char* to) {
  for (const char c : text) *to++ = c;
  return to;
}

}  // namespace

positionTexts::positionTexts() {
  for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) ++count_;
  if (count_ == 0) return;
  records_ = largeBlock(count_ * longestRecord);
  if (!records_) failRun("out of memory: cannot format the waypoints\n");
  if (count_ < threadedFrom) {
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
    const unsigned char both = lengths(lat.view().size(), lon.view().size());
    *to++ = static_cast<char>(both);
    to = copied(lon.view(), copied(lat.view(), to));
    *to++ = static_cast<char>(both);
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

positionTexts::position positionTexts::at(const char* record) {
  const auto both = static_cast<unsigned char>(record[0]);
  const char* const lat = record + 1;
  return {{lat, latLength(both)}, {lat + latLength(both), lonLength(both)}};
}

positionTexts::position positionTexts::nextForScript() {
  if (scriptRead_ == count_) throw std::logic_error("positionTexts: every position has been given");
  waitFor(++scriptRead_);
  const char* const record = records_.data() + scriptNext_;
  scriptNext_ += recordSize(static_cast<unsigned char>(record[0]));
  return at(record);
}

positionTexts::position positionTexts::nextInRoute() {
  if (routeRead_ == count_) throw std::logic_error("positionTexts: every position has been given");
  if (routeRead_++ == 0) {
    waitFor(1);
    return at(records_.data());
  }
  if (routeRead_ == 2) {
    // Waypoint 1 comes last in the records: read back from the end once all are there.
    waitFor(count_);
    const std::lock_guard<std::mutex> lock(mutex_);
    routeNext_ = bytes_;
  }
  routeNext_ -= recordSize(static_cast<unsigned char>(records_.data()[routeNext_ - 1]));
  return at(records_.data() + routeNext_);
}
