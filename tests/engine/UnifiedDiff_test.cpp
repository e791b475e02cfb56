// The unified diffs of `zanmig replace --diff`: exact hunks for the cases
// patch is picky about (no final newline, CRLF, empty sides, merged
// context), and a sweep over small generated files in which the diff,
// applied by a small reference applier, gives the new file back and changes
// no more lines than a longest common subsequence leaves.
#include "app/cli/UnifiedDiff.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace zan::cli {
namespace {

/// Applies the hunks of `diff` to `before` the way patch does when every
/// context line matches; fails the test on a line that does not.
std::string ApplyHunks(const std::string& before, const std::string& diff) {
  const std::vector<std::string_view> old = SplitLinesKeepingEnds(before);
  std::vector<std::string_view> lines = SplitLinesKeepingEnds(diff);
  std::string result;
  size_t at = 0;  // the next line of `old`
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    const bool noNewline = i + 1 < lines.size() && lines[i + 1] == "\\ No newline at end of file\n";
    std::string body(line.substr(1));
    if (noNewline) body.pop_back();
    if (line.starts_with("@@ -")) {
      size_t start = std::stoul(std::string(line.substr(4)));
      const size_t comma = line.find(',');
      const size_t blank = line.find(' ', 4);
      const bool empty = comma < blank && line.substr(comma, 3) == ",0 ";
      if (!empty && start > 0) --start;
      for (; at < start; ++at) result += old[at];
    } else if (line[0] == ' ' || line[0] == '-') {
      EXPECT_LT(at, old.size()) << diff;
      if (at < old.size()) {
        EXPECT_EQ(old[at], body) << diff;
      }
      if (line[0] == ' ') result += body;
      ++at;
    } else if (line[0] == '+') {
      result += body;
    }
    if (noNewline) ++i;
  }
  for (; at < old.size(); ++at) result += old[at];
  return result;
}

/// The length of a longest common subsequence of the lines (the reference).
size_t CommonLines(const std::vector<std::string_view>& a, const std::vector<std::string_view>& b) {
  std::vector<std::vector<size_t>> table(a.size() + 1, std::vector<size_t>(b.size() + 1, 0));
  for (size_t i = a.size(); i-- > 0;)
    for (size_t j = b.size(); j-- > 0;)
      table[i][j] =
          a[i] == b[j] ? table[i + 1][j + 1] + 1 : std::max(table[i + 1][j], table[i][j + 1]);
  return table[0][0];
}

TEST(UnifiedDiff, HunksAsPatchReadsThem) {
  const struct {
    const char* name;
    std::string before, after, hunks;
  } cases[] = {
      {"equal", "a\nb\n", "a\nb\n", ""},
      {"one line", "a\nb\nc\n", "a\nB\nc\n", "@@ -1,3 +1,3 @@\n a\n-b\n+B\n c\n"},
      {"no final newline", "x", "y",
       "@@ -1 +1 @@\n-x\n\\ No newline at end of file\n+y\n\\ No newline at end of file\n"},
      {"a final newline added", "a\nx", "a\nx\n",
       "@@ -1,2 +1,2 @@\n a\n-x\n\\ No newline at end of file\n+x\n"},
      {"unchanged last line without newline", "a\nb\nc", "A\nb\nc",
       "@@ -1,3 +1,3 @@\n-a\n+A\n b\n c\n\\ No newline at end of file\n"},
      {"CRLF kept", "a\r\nb\r\n", "a\r\nc\r\n", "@@ -1,2 +1,2 @@\n a\r\n-b\r\n+c\r\n"},
      {"from empty", "", "a\n", "@@ -0,0 +1 @@\n+a\n"},
      {"to empty", "a\nb\n", "", "@@ -1,2 +0,0 @@\n-a\n-b\n"},
      {"insert after the last line", "1\n2\n3\n4\n", "1\n2\n3\n4\n5\n",
       "@@ -2,3 +2,4 @@\n 2\n 3\n 4\n+5\n"},
      {"changes six lines apart share a hunk", "1\n2\n3\n4\n5\n6\n7\n8\n",
       "X\n2\n3\n4\n5\n6\n7\nY\n", "@@ -1,8 +1,8 @@\n-1\n+X\n 2\n 3\n 4\n 5\n 6\n 7\n-8\n+Y\n"},
      {"seven lines apart: two hunks", "1\n2\n3\n4\n5\n6\n7\n8\n9\n", "X\n2\n3\n4\n5\n6\n7\n8\nY\n",
       "@@ -1,4 +1,4 @@\n-1\n+X\n 2\n 3\n 4\n@@ -6,4 +6,4 @@\n 6\n 7\n 8\n-9\n+Y\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string hunks = DiffHunks(c.before, c.after);
    EXPECT_EQ(hunks, c.hunks);
    EXPECT_EQ(ApplyHunks(c.before, hunks), c.after);
  }
}

TEST(UnifiedDiff, FileSectionsNameTheFileAsGitDoes) {
  EXPECT_EQ(FileDiff("sub/U.pas", "a\n", "a\n"), "");
  EXPECT_EQ(FileDiff("sub/U.pas", "a\n", "b\n"),
            "diff --git a/sub/U.pas b/sub/U.pas\n--- a/sub/U.pas\n+++ b/sub/U.pas\n"
            "@@ -1 +1 @@\n-a\n+b\n");
  // A blank: a tab ends the name for patch. A quote or a control character:
  // the name is quoted.
  EXPECT_EQ(FileDiff("My Unit.pas", "a\n", "b\n"),
            "diff --git a/My Unit.pas b/My Unit.pas\n--- a/My Unit.pas\t\n+++ b/My Unit.pas\t\n"
            "@@ -1 +1 @@\n-a\n+b\n");
  EXPECT_EQ(FileDiff("q\"\t\\.pas", "a\n", "b\n"),
            "diff --git \"a/q\\\"\\t\\\\.pas\" \"b/q\\\"\\t\\\\.pas\"\n"
            "--- \"a/q\\\"\\t\\\\.pas\"\n+++ \"b/q\\\"\\t\\\\.pas\"\n@@ -1 +1 @@\n-a\n+b\n");
  // A binary form: every line commented out, so that neither tool applies it.
  EXPECT_EQ(BinaryFormDiff("F.dfm", "object F: TF\nend\n", "object F: TG\nend\n"),
            "# Binary form F.dfm shown as text; not applicable\n# --- a/F.dfm\n# +++ b/F.dfm\n"
            "# @@ -1,2 +1,2 @@\n# -object F: TF\n# +object F: TG\n#  end\n");
  // Bytes that are no form at all are diffed as they are.
  EXPECT_EQ(ChangedFileDiff("F.dfm", "x\n", "y\n").substr(0, 14), "diff --git a/F");
}

// Every pair of small files over a few lines: the diff applies, and it is
// minimal (it removes and adds only what a longest common subsequence leaves).
TEST(UnifiedDiff, SweepAppliesAndIsMinimal) {
  std::mt19937 random(7);
  const char* pieces[] = {"a\n", "b\n", "c\n", "a\r\n", "d"};
  auto file = [&](size_t size) {
    std::string text;
    for (size_t i = 0; i < size; ++i) text += pieces[random() % 4];
    if (random() % 4 == 0) text += pieces[4];  // a last line without newline
    return text;
  };
  for (int round = 0; round < 4000; ++round) {
    const std::string before = file(random() % 12);
    std::string after;
    if (round % 2 == 0) {
      after = file(random() % 12);
    } else {  // a few edits of `before`
      std::vector<std::string_view> lines = SplitLinesKeepingEnds(before);
      for (int edit = static_cast<int>(random() % 3); edit >= 0; --edit) {
        const size_t at = lines.empty() ? 0 : random() % lines.size();
        if (random() % 2 && !lines.empty())
          lines.erase(lines.begin() + static_cast<long>(at));
        else
          lines.insert(lines.begin() + static_cast<long>(at), pieces[random() % 3]);
      }
      for (std::string_view line : lines) after += line;
    }
    SCOPED_TRACE(::testing::Message() << "before=" << ::testing::PrintToString(before)
                                      << " after=" << ::testing::PrintToString(after));
    const std::string hunks = DiffHunks(before, after);
    ASSERT_EQ(ApplyHunks(before, hunks), after) << hunks;
    const auto a = SplitLinesKeepingEnds(before), b = SplitLinesKeepingEnds(after);
    std::vector<bool> removed, added;
    LineChanges(a, b, removed, added);
    const size_t changed = static_cast<size_t>(std::count(removed.begin(), removed.end(), true) +
                                               std::count(added.begin(), added.end(), true));
    EXPECT_EQ(changed, a.size() + b.size() - 2 * CommonLines(a, b));
  }
}

// A long form changed in a few places gives a few small hunks; two long
// files that differ everywhere give a diff that still applies (the search
// is cut short, not the result).
TEST(UnifiedDiff, LongFiles) {
  std::string before, few, every;
  for (int i = 0; i < 20000; ++i) {
    const std::string line = "  Line" + std::to_string(i) + " = " + std::to_string(i % 7) + "\r\n";
    before += line;
    few += i % 5000 == 17 ? "  Changed" + std::to_string(i) + "\r\n" : line;
    every += "  Other" + std::to_string(i * 7 % 20000) + "\r\n";
  }
  const std::string hunks = DiffHunks(before, few);
  EXPECT_EQ(std::count(hunks.begin(), hunks.end(), '@'), 4 * 4);
  EXPECT_EQ(ApplyHunks(before, hunks), few);
  EXPECT_EQ(ApplyHunks(before, DiffHunks(before, every)), every);
  // Half the lines kept, in order, between lines that differ.
  std::string half;
  for (size_t at = 0, i = 0; at < before.size(); ++i) {
    const size_t end = before.find('\n', at) + 1;
    half += i % 2 ? before.substr(at, end - at) : "  New" + std::to_string(i) + "\r\n";
    at = end;
  }
  const std::string halfHunks = DiffHunks(before, half);
  EXPECT_EQ(ApplyHunks(before, halfHunks), half);
}

}  // namespace
}  // namespace zan::cli
