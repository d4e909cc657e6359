// Test entry for tests that need the application object (widgets, browser).
#include <gtest/gtest.h>

#include "app/application.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  PrepareEnvironment();
  TApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
