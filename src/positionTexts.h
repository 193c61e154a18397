// The position of every waypoint of the planned route as the files show it, formatted once
// for all the files of a set: a coordinate appears in the mission script, the waypoint
// file and the survey line. On a long route a second thread formats the positions while
// the writers copy text and hand it to the disk, so that both cores of a field laptop
// share the work; a writer that catches up with it waits for it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string_view>
#include <thread>

#include "largeMemory.h"

class positionTexts {
 public:
  // Latitude and longitude with nine significant digits, a few millimetres on the ground.
  static constexpr int digits = 9;

  // Starts on the route as it stands, which must not change while this object lives.
  positionTexts();
  positionTexts(const positionTexts&) = delete;
  positionTexts& operator=(const positionTexts&) = delete;
  ~positionTexts();

  struct position {
    std::string_view lat;
    std::string_view lon;
  };

  // The launch waypoint, then from the last waypoint back to waypoint 1: the order of the
  // mission script. Each call gives the next position, whose texts stay valid until the
  // next call; one pass.
  position nextForScript();

  // From the launch waypoint to the last, the order of the waypoint file and the survey
  // line. Each call gives the next position, whose texts stay valid until the next call;
  // one pass, which may run beside the other.
  position nextInRoute();

 private:
  // A position of each pass as text: at most 16 symbols of up to three characters, and
  // room for unpacking six at a time.
  struct unpackedText {
    char lat[56];
    char lon[56];
  };

  void format();
  void waitFor(size_t positions);
  static position at(const char* record, unpackedText& text);

  size_t count_ = 0;  // positions, one per waypoint
  largeBlock records_;
  std::atomic<size_t> ready_{0};  // positions formatted
  size_t bytes_ = 0;              // the size of their records, under mutex_
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::condition_variable formatted_;
  std::thread thread_;
  size_t scriptRead_ = 0;  // positions nextForScript has given
  size_t scriptNext_ = 0;  // where it reads next
  size_t routeRead_ = 0;   // positions nextInRoute has given
  size_t routeNext_ = 0;   // where nextInRoute reads next, from the end back after the first
  unpackedText scriptText_;
  unpackedText routeText_;
};
