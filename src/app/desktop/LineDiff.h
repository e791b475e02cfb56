// Line diffs for the host's Changes view: which lines of two texts are the
// same, and how the others pair up when the two are shown side by side.
#pragma once

#include <string>
#include <vector>

namespace zan {

/// One row of a side-by-side view: a line of the left text, of the right
/// text, or of both (-1: none on that side).
struct TDiffRow {
  enum TKind { Same, Changed, Removed, Added };
  int Left = -1;
  int Right = -1;
  TKind Kind = Same;
  bool operator==(const TDiffRow&) const = default;
};

/// The rows showing `left` beside `right`: the lines both keep (a longest
/// common subsequence, found by Myers' algorithm) as Same rows; between two
/// of them, the left's other lines paired in order with the right's as
/// Changed rows, the surplus of one side as Removed or Added rows. Every line
/// of each side appears once, in order. Texts that differ in more than
/// `maxEdits` lines (past their common start and end) are shown as one block
/// of changes instead, to bound time and memory.
std::vector<TDiffRow> SideBySideDiff(const std::vector<std::u16string>& left,
                                     const std::vector<std::u16string>& right, int maxEdits = 4000);

/// The lines of `text`, split at CRLF, LF or CR (a final line break ends
/// the last line and does not start another).
std::vector<std::u16string> SplitLines(const std::u16string& text);

}  // namespace zan
