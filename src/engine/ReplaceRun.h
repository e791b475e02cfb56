// TReplaceRun: one replace run as named phases over a run context.
//
//   resolve the scope -> rewrite units -> collect database names ->
//   convert forms -> back up -> publish -> write the undo file
//
// Every file is written into a fresh temporary folder first; only when every
// file has been processed and every changed original backed up do the
// changed files replace the originals (each replacement atomic). The undo
// file is on disk before the first original is replaced and again after.
// Whatever happens, the temporary folder is removed, the log closed and the
// busy indicator switched off; an exception leaves every original untouched.
#pragma once

#include <string>
#include <vector>

#include "engine/RunReport.h"
#include "engine/RunScope.h"
#include "engine/RunState.h"

namespace zan {

class TBackupSet;

class TReplaceRun {
 public:
  /// `replacer`, `options`, `context` and `results` are not owned and must
  /// outlive the run. `selectedUnits`: the bare file names of the project
  /// units to convert (project scope).
  TReplaceRun(TComponentReplacer& replacer, const TReplaceOptions& options,
              const TRunContext& context, TRunResults& results,
              std::vector<std::u16string> selectedUnits = {});
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

  std::vector<std::u16string> FSelectedUnits;
  std::unique_ptr<TLogWriter> FOwnLog;
  TRunLocks FLocks;
  std::unique_ptr<TFolderLock> FTempFolderLock;  // tells later runs this one lives
  std::u16string FBaseFolder;                    // the scanned folder or the project's
  bool FPublished = false;                       // the originals have been replaced
  TRunReport FOwnReport;                         // when the caller attached none
  TRunContext FContext;                          // the caller's, with a report
  TRunState FState;
};

}  // namespace zan
