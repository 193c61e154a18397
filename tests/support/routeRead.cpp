#include "support/routeRead.h"

#include <gtest/gtest.h>

#include "vesk.h"
#include "wptList.h"

outcome readFrom(const std::string& name, const std::string& content, const std::string& path) {
  destroyList();
  outcome o;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  try {
    readRoute(content, name, nullptr, path);
  } catch (const runEnd& end) {
    o.status = end.status;
  }
  o.output = testing::internal::GetCapturedStdout();
  o.errors = testing::internal::GetCapturedStderr();
  for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) o.route.emplace_back(n->Lat, n->Lon);
  destroyList();
  return o;
}
