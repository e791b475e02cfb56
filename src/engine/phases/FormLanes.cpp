#include "engine/phases/FormLanes.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "engine/files/PublishManifest.h"
#include "engine/report/RunReport.h"
#include "engine/rewrite/FormFileStep.h"
#include "rtl/ScopeExit.h"

namespace zan {

namespace {

/// How far the lanes may run ahead of the outcomes taken: bounds the work
/// done in vain when a form fails.
constexpr size_t kLaneWindow = 16;
/// How often the run's thread, waiting for a lane, looks at the cancellation flag.
constexpr std::chrono::milliseconds kCancelPoll{20};

struct TFormOutcome {
  bool Done = false;
  int Changes = 0;
  std::vector<TRunReport::TFormObjectEntry> Objects;
  std::exception_ptr Error;       // reading, converting or checking: before the change count
  std::exception_ptr WriteError;  // writing into the temporary folder: after it
  uint64_t Size = 0;
  uint64_t Hash = 0;
};

}  // namespace

bool ConvertFormsInLanes(TRunState& state, const TFormFileStep& step, const TFormLookup& lookup,
                         size_t first) {
  const size_t count = state.Work.size() - first;
  if (count < 4 || !state.Context.AllowFormLanes) return false;
  if (!state.Fs.ThreadSafe() || std::thread::hardware_concurrency() < 2) return false;
  TRunReport* report = state.Context.Report;
  TRunReport reports[2];
  std::unique_ptr<TFormFileStep> steps[2];
  for (int l = 0; l < 2; ++l) {
    steps[l] = step.CloneForLane();
    if (!steps[l]) return false;
  }

  TFileSystem& fs = state.Fs;
  // The lanes read copies: the run's thread updates the work list meanwhile.
  std::vector<std::u16string> items, targets;
  for (size_t k = 0; k < count; ++k) {
    items.push_back(state.Work[first + k].Path);
    targets.push_back(state.TempPathOf(state.Work[first + k]));
  }

  std::vector<TFormOutcome> outcomes(count);
  std::mutex mutex;
  std::condition_variable changed;
  size_t next = 0;   // the next form a lane takes
  size_t taken = 0;  // outcomes taken by the run's thread
  bool stop = false;
  auto lane = [&](TFormFileStep& laneStep, TRunReport* laneReport) {
    for (;;) {
      size_t k;
      {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return stop || next >= count || next < taken + kLaneWindow; });
        if (stop || next >= count || state.Context.IsCancelled()) return;
        k = next++;
      }
      const std::u16string& item = items[k];
      TFormOutcome outcome;
      try {
        const std::string bytes = fs.ReadFile(item);
        TFormFileStep::TResult form = laneStep.ProcessFormFile(lookup, item, bytes, laneReport);
        if (form.Changes > 0 && form.Encode) form.Bytes = form.Encode();
        outcome.Changes = form.Changes;
        try {
          if (form.Changes > 0) {
            fs.WriteFile(targets[k], form.Bytes);
            outcome.Size = form.Bytes.size();
            outcome.Hash = ContentHash(form.Bytes);
          }
        } catch (...) {
          outcome.WriteError = std::current_exception();
        }
      } catch (...) {
        outcome.Error = std::current_exception();
      }
      if (laneReport) outcome.Objects = std::exchange(laneReport->FormObjects, {});
      {
        std::lock_guard<std::mutex> lock(mutex);
        outcome.Done = true;
        outcomes[k] = std::move(outcome);
      }
      changed.notify_all();
    }
  };

  std::thread lanes[2];
  // Whatever ends the batch, the lanes stop and are joined before the
  // temporary folder they write into can be removed.
  TScopeExit join([&] {
    {
      std::lock_guard<std::mutex> lock(mutex);
      stop = true;
    }
    changed.notify_all();
    for (int l = 0; l < 2; ++l)
      if (lanes[l].joinable()) lanes[l].join();
  });
  int started = 0;
  for (int l = 0; l < 2; ++l) {
    try {
      lanes[l] = std::thread(lane, std::ref(*steps[l]), report ? &reports[l] : nullptr);
      ++started;
    } catch (const std::system_error&) {
      // No thread to be had: one lane does it all, or the run goes one by one.
      if (l == 0) return false;
    }
  }
  if (report) report->FormLanes = started;

  for (size_t k = 0; k < count; ++k) {
    TWorkItem& item = state.Work[first + k];
    state.CheckCancelled();
    state.BeginFile(item);
    TFormOutcome outcome;
    {
      std::unique_lock<std::mutex> lock(mutex);
      // An interrupt is not kept waiting for a large form.
      while (!changed.wait_for(lock, kCancelPoll, [&] { return outcomes[k].Done; }))
        state.CheckCancelled();
      outcome = std::move(outcomes[k]);
      taken = k + 1;
    }
    // A lane stopped by the interrupt has no outcome worth taking.
    state.CheckCancelled();
    changed.notify_all();
    if (report)
      for (auto& entry : outcome.Objects) report->FormObjects.push_back(std::move(entry));
    if (outcome.Error) {
      state.FormFailed(item, outcome.Error);
      state.RecordFile(item, 0, false);
      continue;
    }
    state.LogChangeCount(outcome.Changes);
    if (outcome.WriteError) std::rethrow_exception(outcome.WriteError);
    if (outcome.Changes > 0) {
      item.TempPath = targets[k];
      item.Size = outcome.Size;
      item.Hash = outcome.Hash;
    }
    state.RecordFile(item, outcome.Changes, outcome.Changes > 0);
  }
  return true;
}

}  // namespace zan
