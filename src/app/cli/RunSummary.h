// The summary `zanmig replace` prints after its result line: what the run
// processed, changed, converted, left and dropped, how many warnings it met,
// where its log, report and undo file are, and the command that undoes it.
#pragma once

#include <string>

#include "engine/report/RunReport.h"

namespace zan::cli {

/// The summary of `report` (lines ending in LF). `reportFile`: where the
/// report was written ("" when none was asked for).
std::string FormatRunSummary(const TRunReport& report, const std::u16string& reportFile);

/// The units a project run took from outside the project folder (its search
/// path, `in` paths), one per line with why the run took them; empty when
/// there are none.
std::string FormatOutsideUnits(const TRunReport& report);

/// `text` as one word for a POSIX shell: in single quotes, a quote inside as '\''.
std::string ShellQuoted(const std::string& text);

}  // namespace zan::cli
