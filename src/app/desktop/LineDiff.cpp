#include "app/desktop/LineDiff.h"

#include <algorithm>
#include <unordered_map>

namespace zan {

namespace {

enum class TEdit { Keep, Delete, Insert };

/// Myers' greedy algorithm: the shortest script of deletions from `a` and
/// insertions of `b` that turns `a` into `b`, with the lines both keep.
/// False when it needs more than `maxEdits` edits. Each step d keeps the
/// furthest points reached on the diagonals it read (2d+3 values), so memory
/// grows with the square of the edits, not with the texts.
bool ShortestEditScript(const std::vector<int>& a, const std::vector<int>& b, int maxEdits,
                        std::vector<TEdit>& script) {
  const int n = static_cast<int>(a.size());
  const int m = static_cast<int>(b.size());
  const int offset = n + m + 1;
  std::vector<int> furthest(2 * offset + 1, 0);
  std::vector<std::vector<int>> trace;
  const int limit = std::min(n + m, maxEdits);
  for (int d = 0; d <= limit; ++d) {
    trace.emplace_back(furthest.begin() + offset - d - 1, furthest.begin() + offset + d + 2);
    for (int k = -d; k <= d; k += 2) {
      const bool down = k == -d || (k != d && furthest[offset + k - 1] < furthest[offset + k + 1]);
      int x = down ? furthest[offset + k + 1] : furthest[offset + k - 1] + 1;
      int y = x - k;
      while (x < n && y < m && a[x] == b[y]) ++x, ++y;
      furthest[offset + k] = x;
      if (x < n || y < m) continue;
      // Back from the end: each step came down (insert) or right (delete)
      // from the diagonal it read, after the lines both keep.
      script.clear();
      for (int step = d; step >= 0; --step) {
        const std::vector<int>& before = trace[static_cast<size_t>(step)];
        auto at = [&](int diagonal) { return before[static_cast<size_t>(diagonal + step + 1)]; };
        const int diagonal = x - y;
        if (step == 0) {
          for (; x > 0; --x, --y) script.push_back(TEdit::Keep);
          break;
        }
        const bool cameDown =
            diagonal == -step || (diagonal != step && at(diagonal - 1) < at(diagonal + 1));
        const int prevDiagonal = cameDown ? diagonal + 1 : diagonal - 1;
        const int prevX = at(prevDiagonal);
        const int prevY = prevX - prevDiagonal;
        for (; x > prevX && y > prevY; --x, --y) script.push_back(TEdit::Keep);
        script.push_back(cameDown ? TEdit::Insert : TEdit::Delete);
        x = prevX;
        y = prevY;
      }
      std::reverse(script.begin(), script.end());
      return true;
    }
  }
  return false;
}

}  // namespace

std::vector<TDiffRow> SideBySideDiff(const std::vector<std::u16string>& left,
                                     const std::vector<std::u16string>& right, int maxEdits) {
  // Lines are compared as numbers: equal lines get the same one.
  std::unordered_map<std::u16string, int> ids;
  auto idsOf = [&ids](const std::vector<std::u16string>& lines) {
    std::vector<int> result;
    result.reserve(lines.size());
    for (const std::u16string& line : lines)
      result.push_back(ids.emplace(line, static_cast<int>(ids.size())).first->second);
    return result;
  };
  const std::vector<int> a = idsOf(left);
  const std::vector<int> b = idsOf(right);

  // The common start and end need no search.
  size_t head = 0;
  while (head < a.size() && head < b.size() && a[head] == b[head]) ++head;
  size_t tail = 0;
  while (tail < a.size() - head && tail < b.size() - head &&
         a[a.size() - 1 - tail] == b[b.size() - 1 - tail])
    ++tail;
  const std::vector<int> middleA(a.begin() + static_cast<long>(head),
                                 a.end() - static_cast<long>(tail));
  const std::vector<int> middleB(b.begin() + static_cast<long>(head),
                                 b.end() - static_cast<long>(tail));
  std::vector<TEdit> script(head, TEdit::Keep);
  std::vector<TEdit> middle;
  if (!ShortestEditScript(middleA, middleB, maxEdits, middle)) {
    middle.assign(middleA.size(), TEdit::Delete);
    middle.insert(middle.end(), middleB.size(), TEdit::Insert);
  }
  script.insert(script.end(), middle.begin(), middle.end());
  script.insert(script.end(), tail, TEdit::Keep);

  std::vector<TDiffRow> rows;
  std::vector<int> deleted, inserted;
  auto flush = [&] {
    for (size_t i = 0; i < std::max(deleted.size(), inserted.size()); ++i) {
      TDiffRow row;
      row.Left = i < deleted.size() ? deleted[i] : -1;
      row.Right = i < inserted.size() ? inserted[i] : -1;
      row.Kind = row.Left >= 0 && row.Right >= 0 ? TDiffRow::Changed
                 : row.Left >= 0                 ? TDiffRow::Removed
                                                 : TDiffRow::Added;
      rows.push_back(row);
    }
    deleted.clear();
    inserted.clear();
  };
  int x = 0, y = 0;
  for (TEdit edit : script) {
    switch (edit) {
      case TEdit::Keep:
        flush();
        rows.push_back({x++, y++, TDiffRow::Same});
        break;
      case TEdit::Delete:
        deleted.push_back(x++);
        break;
      case TEdit::Insert:
        inserted.push_back(y++);
        break;
    }
  }
  flush();
  return rows;
}

std::vector<std::u16string> SplitLines(const std::u16string& text) {
  std::vector<std::u16string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of(u"\r\n", start);
    if (end == std::u16string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + (text.compare(end, 2, u"\r\n") == 0 ? 2 : 1);
  }
  return lines;
}

}  // namespace zan
