// The background job of the replace run: jobs run one at a time in the order
// given, their errors reach the caller once, and nothing outlives the object.
#include "engine/BackgroundJob.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

namespace zan {
namespace {

TEST(BackgroundJob, RunsJobsInOrderAndHandsBackTheirErrorsOnce) {
  TBackgroundJob job;
  std::vector<int> done;
  for (int i = 0; i < 50; ++i) job.Start([&done, i] { done.push_back(i); });
  job.Wait();
  ASSERT_EQ(done.size(), 50u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(done[i], i);

  job.Start([] { throw std::runtime_error("form X: bad"); });
  EXPECT_THROW(
      {
        try {
          job.Wait();
        } catch (const std::runtime_error& e) {
          EXPECT_STREQ(e.what(), "form X: bad");
          throw;
        }
      },
      std::runtime_error);
  EXPECT_NO_THROW(job.Wait());  // collected once

  // An error nobody collected does not leak into the next job's outcome.
  job.Start([] { throw std::runtime_error("dropped"); });
  job.Start([] {});
  EXPECT_NO_THROW(job.Wait());
}

TEST(BackgroundJob, DestructionWaitsForTheRunningJob) {
  std::atomic<bool> finished{false};
  {
    TBackgroundJob job;
    job.Start([&finished] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      finished = true;
    });
  }
  EXPECT_TRUE(finished);
  {
    TBackgroundJob job;
    job.Start([] { throw std::runtime_error("never collected"); });
  }  // dropped without terminating the process
}

}  // namespace
}  // namespace zan
