// Test entry for tests that need the application object (widgets, browser).
#include <gtest/gtest.h>

#include "app/application.h"

namespace {

// Every handler reports its own failure: one that reaches the event dispatch fails the test
// that let it through.
class TestApplication final : public TApplication {
 public:
  using TApplication::TApplication;

 protected:
  void FailureReachedDispatch(const std::exception& error) override {
    ADD_FAILURE() << "a failure crossed the event dispatch: " << error.what();
    TApplication::FailureReachedDispatch(error);
  }
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  PrepareEnvironment();
  TestApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
