// The fixture of the tests that build a route in-process: every test starts from an empty
// list and the default settings, and leaves no route behind.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "settings.h"
#include "wptList.h"

class routeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    destroyList();
    resetSettings();
  }
  void TearDown() override {
    destroyList();
    resetSettings();
  }

  // The nodes from head to tail.
  static std::vector<const node*> nodes() {
    std::vector<const node*> all;
    for (const node* n = headNodePtr; n != nullptr; n = n->nextPtr) all.push_back(n);
    return all;
  }
};
