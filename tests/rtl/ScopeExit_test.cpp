// The scope-exit policy as a table: how the scope is left and whether the
// clean-up throws decide which error the caller sees. Each case also runs
// inside a destructor that runs during unwinding, where an exception is
// already in flight when the guard is made: the guard must judge its own
// scope, not the exceptions around it.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "rtl/ScopeExit.h"

namespace zan {
namespace {

/// Leaves a guarded scope; returns the message of the exception that left it
/// (empty when none did).
std::string LeaveScope(bool bodyThrows, bool cleanupThrows, int& cleanups) {
  try {
    TScopeExit guard([&] {
      ++cleanups;
      if (cleanupThrows) throw std::runtime_error("cleanup");
    });
    if (bodyThrows) throw std::runtime_error("body");
  } catch (const std::exception& e) {
    return e.what();
  }
  return "";
}

struct TRunsWhenDestroyed {
  std::function<void()> Action;
  ~TRunsWhenDestroyed() { Action(); }
};

TEST(ScopeExit, RunsOnEveryExitAndNeverHidesTheLeavingError) {
  const struct {
    const char* name;
    bool bodyThrows, cleanupThrows;
    const char* seen;
  } cases[] = {
      {"normal exit", false, false, ""},
      {"body throws", true, false, "body"},
      {"clean-up throws on a normal exit", false, true, "cleanup"},
      {"both throw: the body's error wins", true, true, "body"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int cleanups = 0;
    EXPECT_EQ(LeaveScope(c.bodyThrows, c.cleanupThrows, cleanups), c.seen);
    EXPECT_EQ(cleanups, 1);

    std::string seenWhileUnwinding = "not run";
    try {
      TRunsWhenDestroyed destroyed{
          [&] { seenWhileUnwinding = LeaveScope(c.bodyThrows, c.cleanupThrows, cleanups); }};
      throw std::runtime_error("outer");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(seenWhileUnwinding, c.seen);
    EXPECT_EQ(cleanups, 2);
  }
}

TEST(ScopeExit, AFailedCleanUpUnwindsTheGuardsBeforeItWhichDropTheirOwn) {
  std::string order;
  try {
    TScopeExit first([&] {
      order += "first ";
      throw std::runtime_error("first");
    });
    TScopeExit second([&] {
      order += "second ";
      throw std::runtime_error("second");
    });
  } catch (const std::exception& e) {
    order += e.what();
  }
  EXPECT_EQ(order, "second first second");
}

}  // namespace
}  // namespace zan
