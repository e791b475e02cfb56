// Unified diffs of a run's changed files, for `zanmig replace --diff`: what
// `patch -p1` and `git apply` read from the run's folder and turn the
// original tree into the run's result, byte for byte.
//
// Lines are compared as bytes up to and including their LF, so a CRLF line
// keeps its CR in the diff (patch and git apply match it as it is) and a last
// line without a line break gets "\ No newline at end of file". The lines
// both files keep are found by Myers' algorithm in linear space (the middle
// snake, halving the problem each time), after the common start and end are
// set aside: a long file changed in a few places costs little time and
// memory proportional to its size. Files that differ almost everywhere get a
// correct, if not minimal, diff in bounded time.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zan::cli {

/// For each line of `before` whether it is removed, and for each line of
/// `after` whether it is added, so that the lines neither marks are a
/// longest run of lines both hold in order (close to the longest when the
/// two differ almost everywhere). Lines are compared as whole strings.
void LineChanges(const std::vector<std::string_view>& before,
                 const std::vector<std::string_view>& after, std::vector<bool>& removed,
                 std::vector<bool>& added);

/// The lines of `bytes`, each with its LF (the last may have none).
std::vector<std::string_view> SplitLinesKeepingEnds(std::string_view bytes);

/// The hunks turning `before` into `after` ("@@ -1,4 +1,5 @@" and their
/// lines), with `context` lines around each change; "" when they are equal.
std::string DiffHunks(std::string_view before, std::string_view after, int context = 3);

/// A file's section of the diff: the "diff --git", "---" and "+++" lines for
/// `path` (relative to the run's folder, '/' between folders; quoted as git
/// quotes names when it holds a quote, a backslash or a control character)
/// and its hunks; "" when the bytes are equal.
std::string FileDiff(std::string_view path, std::string_view before, std::string_view after);

/// The section of a binary form: its text forms compared, every line
/// commented out with "# " under a line saying so, so that patch and git
/// apply pass over it and leave the file as it is. `beforeText` and
/// `afterText` are the text forms.
std::string BinaryFormDiff(std::string_view path, std::string_view beforeText,
                           std::string_view afterText);

/// The section for the changed file `path` with the original and converted
/// bytes: a binary form (by its name and bytes) is shown as text through
/// the form converter, any other file as it is.
std::string ChangedFileDiff(std::string_view path, std::string_view before, std::string_view after);

}  // namespace zan::cli
