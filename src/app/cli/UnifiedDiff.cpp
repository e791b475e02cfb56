#include "app/cli/UnifiedDiff.h"

#include <algorithm>
#include <climits>
#include <exception>
#include <unordered_map>

#include "rtl/Paths.h"
#include "rtl/Strings.h"
#include "rtl/dfm/FormFile.h"
#include "rtl/dfm/ResourceHeader.h"

namespace zan::cli {

namespace {

/// Myers' search for the lines two sequences keep, in linear space: each
/// region is split at a point on an optimal path (the middle snake, met by
/// a search from each end), and the halves are handled in turn from an
/// explicit stack, so no input can exhaust the call stack. A search that
/// runs past `FTooExpensive` steps splits at the point that got furthest,
/// which bounds the time on files that differ almost everywhere.
class TLineComparer {
 public:
  TLineComparer(const std::vector<int>& a, const std::vector<int>& b)
      : A(a), B(b), FOffset(static_cast<int>(b.size()) + 1) {
    const size_t diagonals = a.size() + b.size() + 3;
    FForward.resize(diagonals);
    FBackward.resize(diagonals);
    FTooExpensive = 1;
    for (size_t d = diagonals; d != 0; d >>= 2) FTooExpensive <<= 1;
    FTooExpensive = std::max(1024, FTooExpensive);
  }

  void Compare(std::vector<bool>& removed, std::vector<bool>& added) {
    removed.assign(A.size(), false);
    added.assign(B.size(), false);
    std::vector<TRegion> regions{{0, static_cast<int>(A.size()), 0, static_cast<int>(B.size())}};
    while (!regions.empty()) {
      TRegion r = regions.back();
      regions.pop_back();
      while (r.XOff < r.XLim && r.YOff < r.YLim && A[r.XOff] == B[r.YOff]) ++r.XOff, ++r.YOff;
      while (r.XOff < r.XLim && r.YOff < r.YLim && A[r.XLim - 1] == B[r.YLim - 1])
        --r.XLim, --r.YLim;
      int xmid = r.XOff, ymid = r.YOff;
      if (r.XOff < r.XLim && r.YOff < r.YLim) Split(r, xmid, ymid);
      const bool corner = (xmid == r.XOff && ymid == r.YOff) || (xmid == r.XLim && ymid == r.YLim);
      if (!corner) {
        regions.push_back({r.XOff, xmid, r.YOff, ymid});
        regions.push_back({xmid, r.XLim, ymid, r.YLim});
        continue;
      }
      // One side is used up (or, never expected, no split was found): the
      // rest of each side is removed or added.
      for (int x = r.XOff; x < r.XLim; ++x) removed[static_cast<size_t>(x)] = true;
      for (int y = r.YOff; y < r.YLim; ++y) added[static_cast<size_t>(y)] = true;
    }
  }

 private:
  struct TRegion {
    int XOff, XLim, YOff, YLim;
  };

  int& Fd(int diagonal) { return FForward[static_cast<size_t>(diagonal + FOffset)]; }
  int& Bd(int diagonal) { return FBackward[static_cast<size_t>(diagonal + FOffset)]; }

  /// A point (xmid, ymid) inside `r`, whose lines differ at both ends, on a
  /// shortest path through it. Diagonals are numbered x - y; the forward
  /// search keeps the furthest x reached on each, the backward one the least.
  void Split(const TRegion& r, int& xmid, int& ymid) {
    const int dmin = r.XOff - r.YLim, dmax = r.XLim - r.YOff;
    const int fmid = r.XOff - r.YOff, bmid = r.XLim - r.YLim;
    int fmin = fmid, fmax = fmid, bmin = bmid, bmax = bmid;
    const bool odd = ((fmid - bmid) & 1) != 0;
    Fd(fmid) = r.XOff;
    Bd(bmid) = r.XLim;
    for (int c = 1;; ++c) {
      if (fmin > dmin)
        Fd(--fmin - 1) = -1;
      else
        ++fmin;
      if (fmax < dmax)
        Fd(++fmax + 1) = -1;
      else
        --fmax;
      for (int d = fmax; d >= fmin; d -= 2) {
        const int low = Fd(d - 1), high = Fd(d + 1);
        int x = low < high ? high : low + 1;
        int y = x - d;
        while (x < r.XLim && y < r.YLim && A[x] == B[y]) ++x, ++y;
        Fd(d) = x;
        if (odd && bmin <= d && d <= bmax && Bd(d) <= x) {
          xmid = x;
          ymid = y;
          return;
        }
      }
      if (bmin > dmin)
        Bd(--bmin - 1) = INT_MAX;
      else
        ++bmin;
      if (bmax < dmax)
        Bd(++bmax + 1) = INT_MAX;
      else
        --bmax;
      for (int d = bmax; d >= bmin; d -= 2) {
        const int low = Bd(d - 1), high = Bd(d + 1);
        int x = low < high ? low : high - 1;
        int y = x - d;
        while (r.XOff < x && r.YOff < y && A[x - 1] == B[y - 1]) --x, --y;
        Bd(d) = x;
        if (!odd && fmin <= d && d <= fmax && x <= Fd(d)) {
          xmid = x;
          ymid = y;
          return;
        }
      }
      if (c < FTooExpensive) continue;
      // Too long a search: the point that got furthest from its end.
      int forwardBest = -1, forwardX = r.XOff;
      for (int d = fmax; d >= fmin; d -= 2) {
        int x = std::min(Fd(d), r.XLim);
        int y = x - d;
        if (r.YLim < y) x = r.YLim + d, y = r.YLim;
        if (forwardBest < x + y) forwardBest = x + y, forwardX = x;
      }
      int backwardBest = INT_MAX, backwardX = r.XLim;
      for (int d = bmax; d >= bmin; d -= 2) {
        int x = std::max(r.XOff, Bd(d));
        int y = x - d;
        if (y < r.YOff) x = r.YOff + d, y = r.YOff;
        if (x + y < backwardBest) backwardBest = x + y, backwardX = x;
      }
      if ((r.XLim + r.YLim) - backwardBest < forwardBest - (r.XOff + r.YOff)) {
        xmid = forwardX;
        ymid = forwardBest - forwardX;
      } else {
        xmid = backwardX;
        ymid = backwardBest - backwardX;
      }
      return;
    }
  }

  const std::vector<int>& A;
  const std::vector<int>& B;
  std::vector<int> FForward, FBackward;
  int FOffset;
  int FTooExpensive;
};

/// `prefix` + `path` as git writes a name: in double quotes with C escapes
/// when it holds a quote, a backslash or a control character.
std::string GitName(std::string_view prefix, std::string_view path) {
  const std::string name = std::string(prefix) + std::string(path);
  const bool quote = std::any_of(name.begin(), name.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return c == '"' || c == '\\' || u < 0x20 || u == 0x7F;
  });
  if (!quote) return name;
  std::string quoted = "\"";
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        quoted += "\\\"";
        break;
      case '\\':
        quoted += "\\\\";
        break;
      case '\t':
        quoted += "\\t";
        break;
      case '\n':
        quoted += "\\n";
        break;
      case '\r':
        quoted += "\\r";
        break;
      default:
        if (u < 0x20 || u == 0x7F) {
          const char octal[] = {'\\', static_cast<char>('0' + (u >> 6)),
                                static_cast<char>('0' + ((u >> 3) & 7)),
                                static_cast<char>('0' + (u & 7)), 0};
          quoted += octal;
        } else {
          quoted += c;
        }
    }
  }
  return quoted + "\"";
}

/// "start,count" of a hunk's side (1-based; an empty side names the line
/// before it, a single line goes without its count), as diff writes it.
std::string HunkRange(size_t start, size_t count) {
  if (count == 1) return std::to_string(start + 1);
  return std::to_string(count == 0 ? start : start + 1) + "," + std::to_string(count);
}

void AppendLine(std::string& out, char mark, std::string_view line) {
  out += mark;
  out += line;
  if (line.empty() || line.back() != '\n') out += "\n\\ No newline at end of file\n";
}

/// The text form of a binary form, with LF line ends.
std::string BinaryFormText(std::string_view bytes, std::string_view path) {
  TFormConvertOptions options;
  options.FileName = std::string(path);
  std::string text = Utf16ToUtf8(ReadBinaryForm(bytes, options).Text);
  std::erase(text, '\r');
  return text;
}

}  // namespace

void LineChanges(const std::vector<std::string_view>& before,
                 const std::vector<std::string_view>& after, std::vector<bool>& removed,
                 std::vector<bool>& added) {
  // Lines are compared as numbers: equal lines get the same one.
  std::unordered_map<std::string_view, int> ids;
  auto idsOf = [&ids](const std::vector<std::string_view>& lines) {
    std::vector<int> result;
    result.reserve(lines.size());
    for (std::string_view line : lines)
      result.push_back(ids.emplace(line, static_cast<int>(ids.size())).first->second);
    return result;
  };
  const std::vector<int> a = idsOf(before);
  const std::vector<int> b = idsOf(after);
  TLineComparer(a, b).Compare(removed, added);
}

std::vector<std::string_view> SplitLinesKeepingEnds(std::string_view bytes) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    const size_t end = bytes.find('\n', start);
    const size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
    lines.push_back(bytes.substr(start, next - start));
    start = next;
  }
  return lines;
}

std::string DiffHunks(std::string_view before, std::string_view after, int context) {
  const std::vector<std::string_view> a = SplitLinesKeepingEnds(before);
  const std::vector<std::string_view> b = SplitLinesKeepingEnds(after);
  std::vector<bool> removed, added;
  LineChanges(a, b, removed, added);

  // The runs of removed and added lines, with no kept line inside.
  struct TBlock {
    size_t A0, A1, B0, B1;
  };
  std::vector<TBlock> blocks;
  size_t i = 0, j = 0;
  auto changedHere = [&] { return (i < a.size() && removed[i]) || (j < b.size() && added[j]); };
  while (i < a.size() || j < b.size()) {
    if (!changedHere()) {
      ++i, ++j;
      continue;
    }
    TBlock block{i, i, j, j};
    while (changedHere()) {
      while (i < a.size() && removed[i]) ++i;
      while (j < b.size() && added[j]) ++j;
    }
    block.A1 = i;
    block.B1 = j;
    blocks.push_back(block);
  }

  const size_t around = static_cast<size_t>(std::max(context, 0));
  std::string out;
  for (size_t first = 0; first < blocks.size();) {
    // Blocks whose context would touch or overlap share a hunk.
    size_t last = first;
    while (last + 1 < blocks.size() && blocks[last + 1].A0 - blocks[last].A1 <= 2 * around) ++last;
    const size_t a0 = blocks[first].A0 - std::min(blocks[first].A0, around);
    const size_t a1 = std::min(a.size(), blocks[last].A1 + around);
    const size_t b0 = blocks[first].B0 - (blocks[first].A0 - a0);
    const size_t b1 = blocks[last].B1 + (a1 - blocks[last].A1);
    out += "@@ -" + HunkRange(a0, a1 - a0) + " +" + HunkRange(b0, b1 - b0) + " @@\n";
    size_t x = a0;
    for (size_t k = first; k <= last; ++k) {
      for (; x < blocks[k].A0; ++x) AppendLine(out, ' ', a[x]);
      for (; x < blocks[k].A1; ++x) AppendLine(out, '-', a[x]);
      for (size_t y = blocks[k].B0; y < blocks[k].B1; ++y) AppendLine(out, '+', b[y]);
    }
    for (; x < a1; ++x) AppendLine(out, ' ', a[x]);
    first = last + 1;
  }
  return out;
}

std::string FileDiff(std::string_view path, std::string_view before, std::string_view after) {
  const std::string hunks = DiffHunks(before, after);
  if (hunks.empty()) return {};
  const std::string a = GitName("a/", path), b = GitName("b/", path);
  // A name with a blank ends in a tab, as git writes it, so that patch
  // takes the whole name.
  const char* end = a.front() != '"' && path.find(' ') != std::string_view::npos ? "\t" : "";
  return "diff --git " + a + " " + b + "\n--- " + a + end + "\n+++ " + b + end + "\n" + hunks;
}

std::string BinaryFormDiff(std::string_view path, std::string_view beforeText,
                           std::string_view afterText) {
  const std::string hunks = DiffHunks(beforeText, afterText);
  std::string out = "# Binary form " + GitName("", path) + " shown as text; not applicable\n";
  if (hunks.empty()) return out + "# (its bytes changed, its text did not)\n";
  out += "# --- " + GitName("a/", path) + "\n# +++ " + GitName("b/", path) + "\n";
  for (std::string_view line : SplitLinesKeepingEnds(hunks)) {
    out += "# ";
    out += line;
  }
  return out;
}

std::string ChangedFileDiff(std::string_view path, std::string_view before,
                            std::string_view after) {
  if (!IsFormFile(Utf8ToUtf16(path)) || !IsBinaryFormData(before) || !IsBinaryFormData(after))
    return FileDiff(path, before, after);
  try {
    return BinaryFormDiff(path, BinaryFormText(before, path), BinaryFormText(after, path));
  } catch (const std::exception& e) {
    return "# Binary form " + GitName("", path) + " cannot be shown as text: " + e.what() + "\n";
  }
}

}  // namespace zan::cli
