// The Changes view of the desktop host: the side-by-side line diff (tables,
// and a sweep against a plain dynamic-programming reference), the undo files
// the host notes while the plug-in writes, and the view over a run's undo
// file, binary forms shown as text; going from change to change, the marks
// inside a changed line, "Ignore blanks", and line numbers that stay in view.
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
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
  view.ShowRun(disk, u"/p/RBackup/RExpert.reu", u"/p", 1252);
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
  view.ShowRun(disk, u"/p/RBackup/Gone.reu", u"/p", 1252);
  EXPECT_EQ(view.FileCount(), 0);
  EXPECT_TRUE(view.Summary()->text().contains(QStringLiteral("Gone.reu")))
      << view.Summary()->text().toStdString();
  view.Clear();
  EXPECT_TRUE(view.BackupText()->toPlainText().isEmpty());
}

/// A run that changed one unit: blocks of changes at lines 3, 10-11 and 30,
/// one of them only in blanks, one a line longer than any pane.
class ChangesNavigationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string backup, now;
    for (int i = 1; i <= 40; ++i) {
      const std::string line = "  line" + std::to_string(i) + " := " + std::to_string(i) + ";";
      backup += line + "\r\n";
      if (i == 3)
        now += "  line3 := TZanQuery.Create(nil);\r\n";
      else if (i == 10)
        now += "  line10  :=  10;\r\n";  // blanks only
      else if (i == 11)
        now += "  line11 := 11 + " + std::string(300, 'x') + ";\r\n";
      else if (i != 30)
        now += line + "\r\n";
    }
    Disk.AddFile(u"/p/Unit1.pas", now);
    Disk.AddFile(u"/p/RBackup/Unit1.~pas", backup);
    Disk.AddFile(u"/p/RBackup/RExpert.reu", "/p/Unit1.pas=/p/RBackup/Unit1.~pas\r\n");
    View.resize(900, 300);
    View.show();
    View.ShowRun(Disk, u"/p/RBackup/RExpert.reu", u"/p", 1252);
  }

  /// The rows (0-based) where the blocks of changes start.
  std::vector<int> Starts() const {
    std::vector<int> starts;
    for (int i = 0; i < View.ChangeCount(); ++i) starts.push_back(View.ChangeStart(i));
    return starts;
  }
  /// The row of the text cursor on each side.
  std::pair<int, int> CursorRows() const {
    return {View.BackupText()->textCursor().blockNumber(),
            View.CurrentText()->textCursor().blockNumber()};
  }

  QApplication& Application = App();  // before the view
  TMemoryFileSystem Disk;
  TChangesView View;
};

TEST_F(ChangesNavigationTest, NextAndPreviousGoFromBlockToBlockByButtonAndKey) {
  EXPECT_EQ(Starts(), (std::vector<int>{2, 9, 29}));
  // The first change is shown at once.
  EXPECT_EQ(View.CurrentChange(), 0);
  EXPECT_FALSE(View.PreviousButton()->isEnabled());
  struct {
    const char* action;
    int change;
    bool previous, next;
  } steps[] = {
      {"next button", 1, true, true}, {"Alt+Down", 2, true, false},
      {"Alt+Down", 2, true, false},   {"previous button", 1, true, true},
      {"Alt+Up", 0, false, true},     {"Alt+Up", 0, false, true},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.action);
    const std::string action = step.action;
    // (Alt+Down and Alt+Up are the buttons' shortcuts: pressing them clicks.)
    const bool next = action == "next button" || action == "Alt+Down";
    QPushButton* button = next ? View.NextButton() : View.PreviousButton();
    EXPECT_EQ(button->shortcut(),
              QKeySequence(QKeyCombination(Qt::ALT, next ? Qt::Key_Down : Qt::Key_Up)));
    button->click();
    EXPECT_EQ(View.CurrentChange(), step.change);
    const int row = View.ChangeStart(step.change);
    EXPECT_EQ(CursorRows(), std::pair(row, row));
    // The row is in view on both sides.
    for (QPlainTextEdit* side : {View.BackupText(), View.CurrentText()}) {
      const QRect cursor = side->cursorRect();
      EXPECT_TRUE(side->viewport()->rect().contains(cursor.center()));
    }
    EXPECT_EQ(View.PreviousButton()->isEnabled(), step.previous);
    EXPECT_EQ(View.NextButton()->isEnabled(), step.next);
  }
}

TEST_F(ChangesNavigationTest, IgnoreBlanksDropsChangesOfBlanksOnly) {
  EXPECT_EQ(View.Shown().ChangedRows(), 4);  // lines 3, 10, 11 and the removed 30
  View.IgnoreBlanksBox()->click();
  EXPECT_EQ(Starts(), (std::vector<int>{2, 10, 29}));
  EXPECT_EQ(View.Shown().ChangedRows(), 3);
  // The texts keep their blanks.
  EXPECT_TRUE(View.CurrentText()->toPlainText().contains(QStringLiteral("line10  :=  10;")));
  View.SetIgnoreBlanks(false);
  EXPECT_FALSE(View.IgnoreBlanksBox()->isChecked());
  EXPECT_EQ(View.Shown().ChangedRows(), 4);
}

TEST_F(ChangesNavigationTest, OnlyWhatDiffersInsideAChangedLineIsMarkedStrongly) {
  // Row 3: "  line3 := 3;" became "  line3 := TZanQuery.Create(nil);".
  for (const auto& [side, text] :
       {std::pair{View.BackupText(), QStringLiteral("3")},
        std::pair{View.CurrentText(), QStringLiteral("TZanQuery.Create(nil)")}}) {
    QStringList marked;
    for (const QTextEdit::ExtraSelection& mark : side->extraSelections())
      if (mark.cursor.hasSelection() && mark.cursor.block().blockNumber() == 2)
        marked << mark.cursor.selectedText();
    EXPECT_EQ(marked, QStringList{text}) << side->objectName().toStdString();
  }
}

TEST_F(ChangesNavigationTest, LineNumbersStayInViewWhenTheTextScrollsSideways) {
  QPlainTextEdit& side = *View.CurrentText();
  QWidget& numbers = *View.CurrentLineNumbers();
  // The numbers are not part of the text.
  EXPECT_TRUE(side.toPlainText().startsWith(QStringLiteral("  line1 := 1;")));
  QScrollBar& sideways = *side.horizontalScrollBar();
  ASSERT_GT(sideways.maximum(), 0);  // the long line 11
  sideways.setValue(sideways.maximum());
  // The other side follows as far as its own lines reach.
  QScrollBar& other = *View.BackupText()->horizontalScrollBar();
  EXPECT_EQ(other.value(), std::min(other.maximum(), sideways.value()));
  EXPECT_TRUE(numbers.isVisible());
  EXPECT_GT(numbers.width(), 0);
  EXPECT_LE(numbers.geometry().right(), side.viewport()->geometry().left());
  EXPECT_TRUE(IsNonBlank(numbers.grab().toImage()));  // the numbers are drawn
  EXPECT_TRUE(IsNonBlank(SaveScreenshot(View, "changes-view-scrolled")));
}

}  // namespace
}  // namespace zan::test
