// The forms at the end of a run's work list, converted on two threads at once.
//
// Units name their forms, so the work list ends with the forms the units
// discovered. Once the run reaches them nothing more is added, and each form
// is converted on its own: two lanes (threads with a form step each) read,
// convert, check and write them into the temporary folder, and the run's own
// thread takes their outcomes in list order and does everything else there
// (log lines, the busy indicator, the report, backups). So the log, the
// report, the backups and the first error are exactly those of a run that
// converts the forms one by one.
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "engine/RExpertRes.h"
#include "engine/Replacer.h"
#include "ide/HostServices.h"
#include "rtl/Paths.h"

namespace zan {

namespace {

/// How far the lanes may run ahead of the outcomes taken: bounds the work
/// done in vain when a form fails.
constexpr int kLaneWindow = 16;

struct TFormOutcome {
  bool Done = false;
  int Changes = 0;
  std::vector<TRunReport::TFormObjectEntry> Objects;
  std::exception_ptr Error;       // reading, converting or checking: before the change count
  std::exception_ptr WriteError;  // writing into the temporary folder: after it
};

}  // namespace

bool TComponentReplacer::ConvertFormsInLanes(int first, const std::u16string& tempFolder) {
  // Checked cheapest first: this is asked for every entry of the list.
  if (IsUnitFile(FUnitList[first]) || FUnitList.Count() - first < 4) return false;
  if (!FileSystem().ThreadSafe() || std::thread::hardware_concurrency() < 2) return false;
  for (int i = first; i < FUnitList.Count(); ++i)
    if (IsUnitFile(FUnitList[i])) return false;
  TRunReport reports[2];
  std::unique_ptr<TFormFileStep> steps[2];
  for (int l = 0; l < 2; ++l) {
    steps[l] = FFormFileStep->CloneForLane(FReport ? &reports[l] : nullptr);
    if (!steps[l]) return false;
  }

  TFileSystem& fs = FileSystem();
  const int count = FUnitList.Count() - first;
  std::vector<std::u16string> items, relPaths, targets;
  for (int k = 0; k < count; ++k) {
    items.push_back(FUnitList[first + k]);
    relPaths.push_back(FReplaceOptions.Dest == sdDirectory ? RelativeToDirectory(items.back())
                                                           : std::u16string());
    const std::u16string folder = JoinPath(tempFolder, ExtractFilePath(relPaths.back()));
    ForceFolder(folder, &fs);
    targets.push_back(JoinPath(folder, ExtractFileName(items.back())));
  }

  std::vector<TFormOutcome> outcomes(static_cast<size_t>(count));
  std::mutex mutex;
  std::condition_variable changed;
  int next = 0;   // the next form a lane takes
  int taken = 0;  // outcomes taken by the run's thread
  bool stop = false;
  auto lane = [&](TFormFileStep& step, TRunReport* report) {
    for (;;) {
      int k;
      {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return stop || next >= count || next < taken + kLaneWindow; });
        if (stop || next >= count) return;
        k = next++;
      }
      TFormOutcome outcome;
      try {
        const std::string bytes = fs.ReadFile(items[k]);
        TFormFileStep::TResult form = step.ProcessFormFile(*this, items[k], bytes);
        if (form.Changes > 0 && form.Encode) form.Bytes = form.Encode();
        outcome.Changes = form.Changes;
        try {
          if (form.Changes > 0) fs.WriteFile(targets[k], form.Bytes);
        } catch (...) {
          outcome.WriteError = std::current_exception();
        }
      } catch (...) {
        outcome.Error = std::current_exception();
      }
      if (report) outcome.Objects = std::exchange(report->FormObjects, {});
      {
        std::lock_guard<std::mutex> lock(mutex);
        outcome.Done = true;
        outcomes[static_cast<size_t>(k)] = std::move(outcome);
      }
      changed.notify_all();
    }
  };

  std::thread lanes[2];
  // Whatever ends the batch, the lanes stop and are joined before the
  // temporary folder they write into can be removed.
  struct TJoin {
    std::thread* Lanes;
    std::mutex& Mutex;
    std::condition_variable& Changed;
    bool& Stop;
    ~TJoin() {
      {
        std::lock_guard<std::mutex> lock(Mutex);
        Stop = true;
      }
      Changed.notify_all();
      for (int l = 0; l < 2; ++l)
        if (Lanes[l].joinable()) Lanes[l].join();
    }
  } join{lanes, mutex, changed, stop};
  for (int l = 0; l < 2; ++l) {
    try {
      lanes[l] = std::thread(lane, std::ref(*steps[l]), FReport ? &reports[l] : nullptr);
    } catch (const std::system_error&) {
      // No thread to be had: one lane does it all, or the run goes one by one.
      if (l == 0) return false;
    }
  }

  for (int k = 0; k < count; ++k) {
    const std::u16string& item = items[static_cast<size_t>(k)];
    FLog->WriteLine(res::Fmt(res::sProcessingFile, {item}));
    BusyIndicator().Step(item);
    TFormOutcome outcome;
    {
      std::unique_lock<std::mutex> lock(mutex);
      changed.wait(lock, [&] { return outcomes[static_cast<size_t>(k)].Done; });
      outcome = std::move(outcomes[static_cast<size_t>(k)]);
      taken = k + 1;
    }
    changed.notify_all();
    if (FReport)
      for (auto& entry : outcome.Objects) FReport->FormObjects.push_back(std::move(entry));
    if (outcome.Error) std::rethrow_exception(outcome.Error);
    LogChangeCount(outcome.Changes);
    if (outcome.WriteError) std::rethrow_exception(outcome.WriteError);
    if (outcome.Changes > 0) ++FChangedFilesCount;
    RecordFile(item, outcome.Changes, outcome.Changes > 0);
    if (outcome.Changes > 0 && FReplaceOptions.MakeBackup && !FDryRun)
      BackupFile(item, relPaths[static_cast<size_t>(k)]);
  }
  return true;
}

}  // namespace zan
