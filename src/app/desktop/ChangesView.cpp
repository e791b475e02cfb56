#include "app/desktop/ChangesView.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
#include <QVBoxLayout>

#include "app/desktop/QtText.h"
#include "rtl/Strings.h"

namespace zan {

/// One side of the comparison: the rows as read-only text without wrapping,
/// and at its left, outside the scrolling text, a margin holding each row's
/// line number (none on a filler row).
class TDiffSide : public QPlainTextEdit {
 public:
  explicit TDiffSide(const char* name);
  /// The line number of each row (1-based; 0 on a filler row).
  void SetNumbers(std::vector<int> numbers);
  QWidget* Margin() const { return FMargin; }
  void PaintMargin(QPaintEvent* event);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  int MarginWidth() const;

  std::vector<int> FNumbers;
  QWidget* FMargin;
};

namespace {

const QColor kRemoved(255, 215, 213);
const QColor kAdded(212, 245, 212);
const QColor kRemovedText(250, 160, 155);
const QColor kAddedText(150, 225, 150);
const QColor kFiller(236, 236, 236);

/// The margin widget of a TDiffSide: the side paints it.
class TLineNumberMargin : public QWidget {
 public:
  explicit TLineNumberMargin(TDiffSide* side) : QWidget(side), FSide(side) {}

 protected:
  void paintEvent(QPaintEvent* event) override { FSide->PaintMargin(event); }

 private:
  TDiffSide* FSide;
};

/// `path` relative to `folder` when it lies in it.
std::u16string RelativeName(const std::u16string& path, const std::u16string& folder) {
  if (folder.empty() || path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0)
    return path;
  if (folder.back() == u'/') return path.substr(folder.size());
  return path[folder.size()] == u'/' ? path.substr(folder.size() + 1) : path;
}

/// The lines without their blanks and tabs.
std::vector<std::u16string> WithoutBlanks(const std::vector<std::u16string>& lines) {
  std::vector<std::u16string> result;
  result.reserve(lines.size());
  for (const std::u16string& line : lines) {
    std::u16string& kept = result.emplace_back();
    for (char16_t c : line)
      if (c != u' ' && c != u'\t') kept += c;
  }
  return result;
}

/// The part of `line` that differs from `other`: what lies between their
/// common start and their common end, as [first, last).
std::pair<int, int> DifferingPart(const std::u16string& line, const std::u16string& other) {
  size_t start = 0;
  while (start < line.size() && start < other.size() && line[start] == other[start]) ++start;
  size_t end = 0;
  while (end < line.size() - start && end < other.size() - start &&
         line[line.size() - 1 - end] == other[other.size() - 1 - end])
    ++end;
  return {static_cast<int>(start), static_cast<int>(line.size() - end)};
}

/// A mark over characters [first, last) of `block`, or over the whole row
/// when `first` is negative.
QTextEdit::ExtraSelection Mark(const QTextBlock& block, const QColor& colour, int first = -1,
                               int last = -1) {
  QTextEdit::ExtraSelection selection;
  selection.cursor = QTextCursor(block);
  if (first < 0) {
    selection.format.setProperty(QTextFormat::FullWidthSelection, true);
  } else {
    selection.cursor.setPosition(block.position() + first);
    selection.cursor.setPosition(block.position() + last, QTextCursor::KeepAnchor);
  }
  selection.format.setBackground(colour);
  return selection;
}

/// One side of the rows: its lines, blank rows where it has none, the rows
/// that differ marked in `mark`, and inside a changed row the characters
/// that differ from the other side in `textMark`.
void FillSide(TDiffSide& side, const TSideBySide& shown, bool left, const QColor& mark,
              const QColor& textMark) {
  const std::vector<std::u16string>& lines = left ? shown.Left : shown.Right;
  const std::vector<std::u16string>& others = left ? shown.Right : shown.Left;
  QStringList text;
  std::vector<int> numbers;
  text.reserve(static_cast<qsizetype>(shown.Rows.size()));
  numbers.reserve(shown.Rows.size());
  for (const TDiffRow& row : shown.Rows) {
    const int line = left ? row.Left : row.Right;
    text << (line < 0 ? QString() : ToQString(lines[static_cast<size_t>(line)]));
    numbers.push_back(line + 1);
  }
  side.setPlainText(text.join(QLatin1Char('\n')));
  side.SetNumbers(std::move(numbers));
  QList<QTextEdit::ExtraSelection> rowMarks, textMarks;
  QTextBlock block = side.document()->firstBlock();
  for (const TDiffRow& row : shown.Rows) {
    const int line = left ? row.Left : row.Right;
    if (row.Kind != TDiffRow::Same) rowMarks << Mark(block, line < 0 ? kFiller : mark);
    if (row.Kind == TDiffRow::Changed) {
      const int other = left ? row.Right : row.Left;
      const auto [first, last] =
          DifferingPart(lines[static_cast<size_t>(line)], others[static_cast<size_t>(other)]);
      if (first < last) textMarks << Mark(block, textMark, first, last);
    }
    block = block.next();
  }
  // The characters' marks are drawn over the rows' marks.
  side.setExtraSelections(rowMarks + textMarks);
}

}  // namespace

TDiffSide::TDiffSide(const char* name) : FMargin(new TLineNumberMargin(this)) {
  setObjectName(QString::fromLatin1(name));
  FMargin->setObjectName(QString::fromLatin1(name) + QStringLiteral("LineNumbers"));
  setReadOnly(true);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  connect(this, &QPlainTextEdit::updateRequest, FMargin, [this](const QRect& rect, int dy) {
    if (dy)
      FMargin->scroll(0, dy);
    else
      FMargin->update(0, rect.y(), FMargin->width(), rect.height());
  });
  SetNumbers({});
}

void TDiffSide::SetNumbers(std::vector<int> numbers) {
  FNumbers = std::move(numbers);
  setViewportMargins(MarginWidth(), 0, 0, 0);
  const QRect room = contentsRect();
  FMargin->setGeometry(room.left(), room.top(), MarginWidth(), room.height());
  FMargin->update();
}

int TDiffSide::MarginWidth() const {
  int widest = 1;
  for (int number : FNumbers) widest = std::max(widest, number);
  return fontMetrics().horizontalAdvance(QString::number(widest)) + 12;
}

void TDiffSide::resizeEvent(QResizeEvent* event) {
  QPlainTextEdit::resizeEvent(event);
  const QRect room = contentsRect();
  FMargin->setGeometry(room.left(), room.top(), MarginWidth(), room.height());
}

void TDiffSide::PaintMargin(QPaintEvent* event) {
  QPainter painter(FMargin);
  painter.fillRect(event->rect(), palette().color(QPalette::AlternateBase));
  painter.setFont(font());
  painter.setPen(palette().color(QPalette::PlaceholderText));
  QTextBlock block = firstVisibleBlock();
  qreal top = blockBoundingGeometry(block).translated(contentOffset()).top();
  while (block.isValid() && top <= event->rect().bottom()) {
    const qreal height = blockBoundingRect(block).height();
    const size_t row = static_cast<size_t>(block.blockNumber());
    if (top + height >= event->rect().top() && row < FNumbers.size() && FNumbers[row] > 0)
      painter.drawText(QRectF(0, top, FMargin->width() - 6, height), Qt::AlignRight | Qt::AlignTop,
                       QString::number(FNumbers[row]));
    block = block.next();
    top += height;
  }
}

TChangesView::TChangesView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("ChangesView"));
  FSummary = new QLabel;
  FSummary->setObjectName(QStringLiteral("ChangesSummary"));
  FSummary->setWordWrap(true);
  FFileList = new QListWidget;
  FFileList->setObjectName(QStringLiteral("ChangedFiles"));
  FBackupTitle = new QLabel;
  FCurrentTitle = new QLabel;
  for (QLabel* title : {FBackupTitle, FCurrentTitle})
    title->setTextInteractionFlags(Qt::TextSelectableByMouse);
  FBackupSide = new TDiffSide("BackupText");
  FCurrentSide = new TDiffSide("CurrentText");

  // Going from change to change, and the comparison's switch.
  FPreviousButton = new QPushButton(QStringLiteral("Previous change"));
  FPreviousButton->setObjectName(QStringLiteral("PreviousChange"));
  FPreviousButton->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Up));
  FPreviousButton->setToolTip(QStringLiteral("Previous change (Alt+Up)"));
  FNextButton = new QPushButton(QStringLiteral("Next change"));
  FNextButton->setObjectName(QStringLiteral("NextChange"));
  FNextButton->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Down));
  FNextButton->setToolTip(QStringLiteral("Next change (Alt+Down)"));
  FChangeLabel = new QLabel;
  FChangeLabel->setObjectName(QStringLiteral("ChangePosition"));
  FChangeLabel->setMinimumWidth(
      FChangeLabel->fontMetrics().horizontalAdvance(QStringLiteral("Change 0000 of 0000")));
  FIgnoreBlanks = new QCheckBox(QStringLiteral("&Ignore blanks"));
  FIgnoreBlanks->setObjectName(QStringLiteral("IgnoreBlanks"));
  FIgnoreBlanks->setToolTip(QStringLiteral("Compare the lines without their blanks and tabs"));
  auto* tools = new QHBoxLayout;
  tools->setContentsMargins(0, 0, 0, 0);
  tools->addWidget(FPreviousButton);
  tools->addWidget(FNextButton);
  tools->addWidget(FChangeLabel);
  tools->addStretch(1);
  tools->addWidget(FIgnoreBlanks);

  auto* sides = new QWidget;
  auto* grid = new QGridLayout(sides);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addLayout(tools, 0, 0, 1, 2);
  grid->addWidget(FBackupTitle, 1, 0);
  grid->addWidget(FCurrentTitle, 1, 1);
  grid->addWidget(FBackupSide, 2, 0);
  grid->addWidget(FCurrentSide, 2, 1);
  // The file list gives the two sides most of the width.
  auto* split = new QSplitter(Qt::Horizontal);
  split->addWidget(FFileList);
  split->addWidget(sides);
  split->setStretchFactor(1, 6);
  split->setSizes({130, 1000});
  FFileList->setMinimumWidth(100);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(FSummary);
  layout->addWidget(split, 1);

  // The two sides hold the same rows: they scroll together.
  for (auto [from, to] : {std::pair{FBackupSide, FCurrentSide}, {FCurrentSide, FBackupSide}}) {
    connect(from->verticalScrollBar(), &QScrollBar::valueChanged, to->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(from->horizontalScrollBar(), &QScrollBar::valueChanged, to->horizontalScrollBar(),
            &QScrollBar::setValue);
  }
  connect(FFileList, &QListWidget::currentRowChanged, this, [this](int row) { SelectFile(row); });
  connect(FPreviousButton, &QPushButton::clicked, this, [this] { PreviousChange(); });
  connect(FNextButton, &QPushButton::clicked, this, [this] { NextChange(); });
  connect(FIgnoreBlanks, &QCheckBox::toggled, this, [this](bool on) { SetIgnoreBlanks(on); });
  Clear();
}

QPlainTextEdit* TChangesView::BackupText() const {
  return FBackupSide;
}

QPlainTextEdit* TChangesView::CurrentText() const {
  return FCurrentSide;
}

QWidget* TChangesView::BackupLineNumbers() const {
  return FBackupSide->Margin();
}

QWidget* TChangesView::CurrentLineNumbers() const {
  return FCurrentSide->Margin();
}

void TChangesView::Clear() {
  FFileSystem = nullptr;
  FUndoFile.clear();
  FBaseFolder.clear();
  FChanges.clear();
  FFileList->clear();
  FSummary->setText(QStringLiteral("No run yet: the files a replace run changes are shown here."));
  SelectFile(-1);
}

void TChangesView::ShowRun(TFileSystem& fs, const std::u16string& undoFile,
                           const std::u16string& baseFolder, int codePage) {
  Clear();
  FFileSystem = &fs;
  FUndoFile = undoFile;
  FBaseFolder = baseFolder;
  try {
    FChanges = ReadRunChanges(fs, undoFile, codePage);
  } catch (const std::exception& error) {
    FSummary->setText(QString::fromUtf8(error.what()));
    return;
  }
  FSummary->setText(QStringLiteral("The run changed %1 file(s); the backups are listed in %2.")
                        .arg(FChanges.size())
                        .arg(ToQString(undoFile)));
  const QSignalBlocker quiet(FFileList);
  for (const TFileChange& change : FChanges) {
    auto* item =
        new QListWidgetItem(ToQString(RelativeName(change.Original, baseFolder)), FFileList);
    item->setToolTip(ToQString(change.Original));
  }
  if (!FChanges.empty()) {
    FFileList->setCurrentRow(0);
    SelectFile(0);
  }
}

void TChangesView::SelectFile(int index) {
  FShown = {};
  if (FFileSystem && index >= 0 && index < FileCount()) {
    const TFileChange& change = FChanges[static_cast<size_t>(index)];
    FShown = CompareChange(*FFileSystem, change);
    // Short names over the sides; the tool tips hold the full paths.
    FBackupTitle->setText(QStringLiteral("Backup: ") +
                          ToQString(RelativeName(change.Backup, FBaseFolder)));
    FBackupTitle->setToolTip(ToQString(change.Backup));
    FCurrentTitle->setText(QStringLiteral("Now: ") +
                           ToQString(RelativeName(change.Original, FBaseFolder)));
    FCurrentTitle->setToolTip(ToQString(change.Original));
    if (FFileList->currentRow() != index) {
      const QSignalBlocker quiet(FFileList);
      FFileList->setCurrentRow(index);
    }
  } else {
    FBackupTitle->clear();
    FCurrentTitle->clear();
  }
  Compare();
}

void TChangesView::SetIgnoreBlanks(bool ignore) {
  if (FIgnoreBlanks->isChecked() != ignore) {
    FIgnoreBlanks->setChecked(ignore);  // comes back here through its signal
    return;
  }
  Compare();
}

void TChangesView::Compare() {
  FShown.Rows = FIgnoreBlanks->isChecked()
                    ? SideBySideDiff(WithoutBlanks(FShown.Left), WithoutBlanks(FShown.Right))
                    : SideBySideDiff(FShown.Left, FShown.Right);
  FChangeStarts.clear();
  for (size_t row = 0; row < FShown.Rows.size(); ++row)
    if (FShown.Rows[row].Kind != TDiffRow::Same &&
        (row == 0 || FShown.Rows[row - 1].Kind == TDiffRow::Same))
      FChangeStarts.push_back(static_cast<int>(row));
  FCurrentChange = -1;
  ShowComparison();
  // The first change is in view at once.
  if (!FChangeStarts.empty())
    GoToChange(0);
  else
    UpdateButtons();
}

void TChangesView::ShowComparison() {
  FillSide(*FBackupSide, FShown, true, kRemoved, kRemovedText);
  FillSide(*FCurrentSide, FShown, false, kAdded, kAddedText);
}

void TChangesView::GoToChange(int index) {
  if (index < 0 || index >= ChangeCount()) return;
  FCurrentChange = index;
  const int row = FChangeStarts[static_cast<size_t>(index)];
  for (TDiffSide* side : {FBackupSide, FCurrentSide}) {
    side->setTextCursor(QTextCursor(side->document()->findBlockByNumber(row)));
    side->centerCursor();
  }
  UpdateButtons();
}

void TChangesView::NextChange() {
  GoToChange(FCurrentChange + 1);
}

void TChangesView::PreviousChange() {
  GoToChange(FCurrentChange - 1);
}

void TChangesView::UpdateButtons() {
  FPreviousButton->setEnabled(FCurrentChange > 0);
  FNextButton->setEnabled(FCurrentChange + 1 < ChangeCount());
  FChangeLabel->setText(
      ChangeCount() == 0 ? QString()
      : FCurrentChange < 0
          ? QStringLiteral("%1 change(s)").arg(ChangeCount())
          : QStringLiteral("Change %1 of %2").arg(FCurrentChange + 1).arg(ChangeCount()));
}

}  // namespace zan
