#include "engine/BackgroundJob.h"

#include <utility>

namespace zan {

TBackgroundJob::TBackgroundJob() {
  if (std::thread::hardware_concurrency() > 1) FThread = std::thread([this] { Loop(); });
}

TBackgroundJob::~TBackgroundJob() {
  if (!FThread.joinable()) return;
  {
    std::unique_lock<std::mutex> lock(FMutex);
    WaitIdle(lock);
    FStop = true;
  }
  FChanged.notify_all();
  FThread.join();
}

void TBackgroundJob::WaitIdle(std::unique_lock<std::mutex>& lock) {
  FChanged.wait(lock, [this] { return !FPending; });
}

void TBackgroundJob::Start(std::function<void()> job) {
  if (!FThread.joinable()) {
    FError = nullptr;
    try {
      job();
    } catch (...) {
      FError = std::current_exception();
    }
    return;
  }
  {
    std::unique_lock<std::mutex> lock(FMutex);
    WaitIdle(lock);
    FError = nullptr;
    FJob = std::move(job);
    FPending = true;
  }
  FChanged.notify_all();
}

void TBackgroundJob::Wait() {
  std::exception_ptr error;
  {
    std::unique_lock<std::mutex> lock(FMutex);
    WaitIdle(lock);
    error = std::exchange(FError, nullptr);
  }
  if (error) std::rethrow_exception(error);
}

void TBackgroundJob::Loop() {
  std::unique_lock<std::mutex> lock(FMutex);
  for (;;) {
    FChanged.wait(lock, [this] { return FPending || FStop; });
    if (!FPending) return;  // stopped
    std::function<void()> job = std::move(FJob);
    lock.unlock();
    std::exception_ptr error;
    try {
      job();
    } catch (...) {
      error = std::current_exception();
    }
    job = nullptr;  // what the job holds goes before it counts as done
    lock.lock();
    FError = error;
    FPending = false;
    FChanged.notify_all();
  }
}

}  // namespace zan
