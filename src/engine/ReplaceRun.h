// TReplaceRun: one planned replace run (RunPlan.h) as named phases.
//
//   (the plan: the scope) -> rewrite units -> collect database names ->
//   convert forms -> back up -> publish -> write the undo file
//
// Every file is written into a fresh temporary folder first; only when every
// file has been processed and every changed original backed up do the
// changed files replace the originals (each replacement atomic). The undo
// file is on disk before the first original is replaced and again after.
// Whatever happens, the temporary folder is removed, the log closed and the
// busy indicator switched off; an exception leaves every original untouched.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "engine/phases/RunState.h"

namespace zan {

struct TRunPlan;

class TReplaceRun {
 public:
  /// Runs `plan` (not owned; it must outlive the run), whose Results the
  /// run fills.
  explicit TReplaceRun(TRunPlan& plan);
  ~TReplaceRun();
  TReplaceRun(const TReplaceRun&) = delete;
  TReplaceRun& operator=(const TReplaceRun&) = delete;

  /// Runs every phase. True when the changed files replaced the originals
  /// (a dry run: true); false when a replacement failed. Raises on fatal
  /// errors, with every original untouched.
  bool Execute();

 private:
  /// The phases after the scope check and the log are in place.
  bool RunPhases();
  void AllocateTempFolder();
  /// Writes a log line; after publishing a failed write is only a warning.
  void LogLine(std::u16string_view line);

  TRunPlan& FPlan;
  std::unique_ptr<TFolderLock> FTempFolderLock;  // tells later runs this one lives
  bool FPublished = false;                       // the originals have been replaced
  TRunState FState;
};

}  // namespace zan
