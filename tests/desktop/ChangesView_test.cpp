// The Changes view of the desktop host: the side-by-side line diff (tables,
// and a sweep against a plain dynamic-programming reference), the undo files
// the host notes while the plug-in writes, and the view over a run's undo
// file, binary forms shown as text.
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <random>
#include <sstream>

#include "DesktopTestUtil.h"
#include "app/desktop/ChangesView.h"
#include "app/desktop/LineDiff.h"
#include "app/desktop/UndoFileWatch.h"
#include "common/TestUtil.h"
#include "rtl/Strings.h"
#include "support/MemoryFileSystem.h"

namespace zan::test {
namespace {

/// Words as lines: "a b c" is three lines.
std::vector<std::u16string> Lines(const std::string& words) {
  std::vector<std::u16string> lines;
  std::istringstream in(words);
  for (std::string word; in >> word;) lines.push_back(Utf8ToUtf16(word));
  return lines;
}

/// "=a" both, "~a>b" changed, "-a" removed, "+b" added, one blank apart.
std::string Dump(const std::vector<std::u16string>& left, const std::vector<std::u16string>& right,
                 const std::vector<TDiffRow>& rows) {
  std::string dump;
  for (const TDiffRow& row : rows) {
    if (!dump.empty()) dump += ' ';
    const std::string l = row.Left >= 0 ? Utf16ToUtf8(left[static_cast<size_t>(row.Left)]) : "";
    const std::string r = row.Right >= 0 ? Utf16ToUtf8(right[static_cast<size_t>(row.Right)]) : "";
    switch (row.Kind) {
      case TDiffRow::Same:
        dump += "=" + l;
        break;
      case TDiffRow::Changed:
        dump += "~" + l + ">" + r;
        break;
      case TDiffRow::Removed:
        dump += "-" + l;
        break;
      case TDiffRow::Added:
        dump += "+" + r;
        break;
    }
  }
  return dump;
}

TEST(LineDiff, PairsWhatDiffersBetweenTheLinesBothKeep) {
  const struct {
    const char* Left;
    const char* Right;
    const char* Rows;
  } cases[] = {
      {"", "", ""},
      {"a b c", "a b c", "=a =b =c"},
      {"a b c", "a x c", "=a ~b>x =c"},
      {"a b c", "a c", "=a -b =c"},
      {"a c", "a b c", "=a +b =c"},
      {"a b c d", "a x y d", "=a ~b>x ~c>y =d"},
      {"a b", "a x y b", "=a +x +y =b"},
      {"a b c", "x y", "~a>x ~b>y -c"},
      {"", "x y", "+x +y"},
      {"x a b c", "a b c x", "-x =a =b =c +x"},
      {"uses DB, DBTables; Q: TQuery; end.", "uses DB, DBTables, Zan; Q: TZanQuery; end.",
       "=uses =DB, ~DBTables;>DBTables, +Zan; =Q: ~TQuery;>TZanQuery; =end."},
  };
  for (const auto& c : cases) {
    const auto left = Lines(c.Left), right = Lines(c.Right);
    EXPECT_EQ(Dump(left, right, SideBySideDiff(left, right)), c.Rows) << c.Left << " | " << c.Right;
  }
  // Past the edit budget the differing middle is one block; the common start and end stay.
  const auto left = Lines("a b c d e"), right = Lines("a x c y e");
  EXPECT_EQ(Dump(left, right, SideBySideDiff(left, right, 1)), "=a ~b>x ~c>c ~d>y =e");
}

/// The length of a longest common subsequence, the plain quadratic way.
size_t LongestCommon(const std::vector<std::u16string>& a, const std::vector<std::u16string>& b) {
  std::vector<std::vector<size_t>> t(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = a.size(); i-- > 0;)
    for (size_t j = b.size(); j-- > 0;)
      t[i][j] = a[i] == b[j] ? t[i + 1][j + 1] + 1 : std::max(t[i + 1][j], t[i][j + 1]);
  return t[0][0];
}

TEST(LineDiff, EveryLineOnceInOrderAndAsManyKeptAsTheReference) {
  std::mt19937 random(7);
  auto text = [&random] {
    std::vector<std::u16string> lines(random() % 12);
    for (auto& line : lines) line = std::u16string(1, static_cast<char16_t>(u'a' + random() % 3));
    return lines;
  };
  for (int trial = 0; trial < 3000; ++trial) {
    const auto left = text(), right = text();
    const auto rows = SideBySideDiff(left, right);
    SCOPED_TRACE(Dump(left, right, rows));
    int nextLeft = 0, nextRight = 0;
    size_t same = 0;
    for (const TDiffRow& row : rows) {
      if (row.Left >= 0) {
        EXPECT_EQ(row.Left, nextLeft++);
      }
      if (row.Right >= 0) {
        EXPECT_EQ(row.Right, nextRight++);
      }
      ASSERT_TRUE(row.Left >= 0 || row.Right >= 0);
      if (row.Kind == TDiffRow::Same) {
        ++same;
        EXPECT_EQ(left[static_cast<size_t>(row.Left)], right[static_cast<size_t>(row.Right)]);
      }
    }
    EXPECT_EQ(nextLeft, static_cast<int>(left.size()));
    EXPECT_EQ(nextRight, static_cast<int>(right.size()));
    ASSERT_EQ(same, LongestCommon(left, right));
  }
}

TEST(LineDiff, SplitsAtEveryKindOfLineBreak) {
  const std::pair<std::u16string, std::vector<std::u16string>> cases[] = {
      {u"", {}},
      {u"a", {u"a"}},
      {u"a\r\nb\r\n", {u"a", u"b"}},
      {u"a\nb", {u"a", u"b"}},
      {u"a\rb\n\nc", {u"a", u"b", u"", u"c"}},
  };
  for (const auto& [text, lines] : cases) EXPECT_EQ(SplitLines(text), lines);
}

TEST(UndoFileWatch, NotesTheUndoFileAWriteLeaves) {
  TMemoryFileSystem disk;
  disk.AddFolder(u"/p/RBackup");
  TUndoFileWatch watch(disk);
  EXPECT_EQ(watch.TakeWrittenUndoFile(), u"");
  watch.WriteAtomic(u"/p/Unit1.pas", "unit");
  EXPECT_EQ(watch.TakeWrittenUndoFile(), u"");
  watch.WriteAtomic(u"/p/RBackup/RExpert.reu", "a=b\r\n");
  watch.Write(u"/p/RBackup/rexpert.REU", "a=b\r\n");  // any letter case
  EXPECT_EQ(watch.TakeWrittenUndoFile(), u"/p/RBackup/rexpert.REU");
  EXPECT_EQ(watch.TakeWrittenUndoFile(), u"");  // taken
  // A write that failed wrote no undo file.
  watch.WriteAtomic(u"/nowhere/RBackup/RExpert.reu", "a=b\r\n");
  EXPECT_EQ(watch.TakeWrittenUndoFile(), u"");
  EXPECT_EQ(disk.Contents(u"/p/RBackup/RExpert.reu"), "a=b\r\n");
}

TEST(ChangesView, ListsTheFilesOfTheUndoFileAndShowsEachBesideItsBackup) {
  App();
  const std::filesystem::path sample = std::filesystem::path(ZAN_SOURCE_DIR) / "examples" / "BDE";
  TMemoryFileSystem disk;
  // A binary form and a unit, each with its backup.
  for (const char* name : {"MainForm.dfm", "MainForm.pas"}) {
    const std::u16string file = Utf8ToUtf16(name);
    disk.AddFile(u"/p/" + file, ReadFileBytes(sample / "expected" / name));
    disk.AddFile(
        u"/p/RBackup/" + file.substr(0, file.size() - 3) + u"~" + file.substr(file.size() - 3),
        ReadFileBytes(sample / name));
  }
  disk.AddFile(u"/p/RBackup/RExpert.reu",
               "/p/MainForm.pas=/p/RBackup/MainForm.~pas\r\n"
               "/p/MainForm.dfm=/p/RBackup/MainForm.~dfm\r\n");
  TChangesView view;
  view.resize(900, 500);
  view.ShowRun(disk, u"/p/RBackup/RExpert.reu", u"/p");
  ASSERT_EQ(view.FileCount(), 2);
  EXPECT_EQ(view.FileList()->item(0)->text(), QStringLiteral("MainForm.pas"));
  EXPECT_EQ(view.FileList()->item(1)->toolTip(), QStringLiteral("/p/MainForm.dfm"));
  EXPECT_TRUE(view.Summary()->text().contains(QStringLiteral("2 file(s)")));
  // Both sides hold the same rows and scroll together.
  auto sides = [&view] {
    return std::pair{view.BackupText()->toPlainText(), view.CurrentText()->toPlainText()};
  };
  EXPECT_EQ(sides().first.count(QLatin1Char('\n')), sides().second.count(QLatin1Char('\n')));
  EXPECT_GT(view.Shown().ChangedRows(), 0);

  view.SelectFile(1);
  const auto [backup, now] = sides();
  EXPECT_TRUE(backup.contains(QStringLiteral("object qryLookup: TQuery")));  // binary, as text
  EXPECT_TRUE(now.contains(QStringLiteral("object qryLookup: TZanQuery")));
  EXPECT_FALSE(now.contains(QStringLiteral("TPF0")));
  // A changed line faces its new version on the same row.
  int facing = 0;
  for (const TDiffRow& row : view.Shown().Rows)
    if (row.Kind == TDiffRow::Changed && view.Shown().Left[static_cast<size_t>(row.Left)].find(
                                             u"object qryLookup") != std::u16string::npos) {
      EXPECT_NE(view.Shown().Right[static_cast<size_t>(row.Right)].find(u"TZanQuery"),
                std::u16string::npos);
      ++facing;
    }
  EXPECT_EQ(facing, 1);
  EXPECT_TRUE(IsNonBlank(view.grab().toImage()));

  // A missing undo file is told; nothing is listed.
  view.ShowRun(disk, u"/p/RBackup/Gone.reu", u"/p");
  EXPECT_EQ(view.FileCount(), 0);
  EXPECT_TRUE(view.Summary()->text().contains(QStringLiteral("Gone.reu")))
      << view.Summary()->text().toStdString();
  view.Clear();
  EXPECT_TRUE(view.BackupText()->toPlainText().isEmpty());
}

}  // namespace
}  // namespace zan::test
