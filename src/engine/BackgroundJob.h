// One job at a time on a thread beside the caller: the replace run hands it
// the checking and encoding of a converted form and goes on with the next file.
#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace zan {

/// Runs the jobs given to Start one after the other on a thread of its own
/// (inline in Start on a machine with a single processor). Wait collects the
/// outcome of the job started last. Destruction waits for a running job and
/// drops its outcome.
class TBackgroundJob {
 public:
  TBackgroundJob();
  ~TBackgroundJob();
  TBackgroundJob(const TBackgroundJob&) = delete;
  TBackgroundJob& operator=(const TBackgroundJob&) = delete;

  /// Starts `job` after waiting for the previous one; an error the previous
  /// job raised and nobody collected is dropped.
  void Start(std::function<void()> job);
  /// Waits for the job started last; rethrows what it raised (once).
  void Wait();

 private:
  void Loop();
  void WaitIdle(std::unique_lock<std::mutex>& lock);

  std::mutex FMutex;
  std::condition_variable FChanged;
  std::function<void()> FJob;
  bool FPending = false;  // a job is queued or running
  bool FStop = false;
  std::exception_ptr FError;
  std::thread FThread;  // last: started once the members above exist
};

}  // namespace zan
