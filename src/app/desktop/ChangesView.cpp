#include "app/desktop/ChangesView.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
#include <QVBoxLayout>

#include "app/desktop/QtText.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

const QColor kRemoved(255, 215, 213);
const QColor kAdded(212, 245, 212);
const QColor kFiller(236, 236, 236);

/// `path` relative to `folder` when it lies in it.
std::u16string RelativeName(const std::u16string& path, const std::u16string& folder) {
  if (folder.empty() || path.size() <= folder.size() || path.compare(0, folder.size(), folder) != 0)
    return path;
  if (folder.back() == u'/') return path.substr(folder.size());
  return path[folder.size()] == u'/' ? path.substr(folder.size() + 1) : path;
}

QPlainTextEdit* MakeSide(const char* name) {
  auto* edit = new QPlainTextEdit;
  edit->setObjectName(QString::fromLatin1(name));
  edit->setReadOnly(true);
  edit->setLineWrapMode(QPlainTextEdit::NoWrap);
  edit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  return edit;
}

/// One side of the rows: its lines numbered, blank rows where it has none,
/// and the rows that differ marked in `mark`.
void FillSide(QPlainTextEdit& edit, const std::vector<std::u16string>& lines,
              const std::vector<TDiffRow>& rows, bool left, const QColor& mark) {
  const int digits = static_cast<int>(QString::number(static_cast<qsizetype>(lines.size())).size());
  QStringList text;
  text.reserve(static_cast<qsizetype>(rows.size()));
  for (const TDiffRow& row : rows) {
    const int line = left ? row.Left : row.Right;
    if (line < 0)
      text << QString();
    else
      text << QStringLiteral("%1  ").arg(line + 1, digits) +
                  ToQString(lines[static_cast<size_t>(line)]);
  }
  edit.setPlainText(text.join(QLatin1Char('\n')));
  QList<QTextEdit::ExtraSelection> marks;
  QTextBlock block = edit.document()->firstBlock();
  for (const TDiffRow& row : rows) {
    if (row.Kind != TDiffRow::Same) {
      QTextEdit::ExtraSelection selection;
      selection.cursor = QTextCursor(block);
      selection.format.setProperty(QTextFormat::FullWidthSelection, true);
      selection.format.setBackground((left ? row.Left : row.Right) < 0 ? kFiller : mark);
      marks << selection;
    }
    block = block.next();
  }
  edit.setExtraSelections(marks);
}

}  // namespace

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
  FBackupText = MakeSide("BackupText");
  FCurrentText = MakeSide("CurrentText");

  auto* sides = new QWidget;
  auto* grid = new QGridLayout(sides);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(FBackupTitle, 0, 0);
  grid->addWidget(FCurrentTitle, 0, 1);
  grid->addWidget(FBackupText, 1, 0);
  grid->addWidget(FCurrentText, 1, 1);
  auto* split = new QSplitter(Qt::Horizontal);
  split->addWidget(FFileList);
  split->addWidget(sides);
  split->setStretchFactor(1, 4);
  split->setSizes({170, 600});
  FFileList->setMinimumWidth(120);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(FSummary);
  layout->addWidget(split, 1);

  // The two sides hold the same rows: they scroll together.
  for (auto [from, to] : {std::pair{FBackupText, FCurrentText}, {FCurrentText, FBackupText}}) {
    connect(from->verticalScrollBar(), &QScrollBar::valueChanged, to->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(from->horizontalScrollBar(), &QScrollBar::valueChanged, to->horizontalScrollBar(),
            &QScrollBar::setValue);
  }
  connect(FFileList, &QListWidget::currentRowChanged, this, [this](int row) { SelectFile(row); });
  Clear();
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
                           const std::u16string& baseFolder) {
  Clear();
  FFileSystem = &fs;
  FUndoFile = undoFile;
  FBaseFolder = baseFolder;
  try {
    FChanges = ReadRunChanges(fs, undoFile);
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
  ShowComparison();
}

void TChangesView::ShowComparison() {
  FillSide(*FBackupText, FShown.Left, FShown.Rows, true, kRemoved);
  FillSide(*FCurrentText, FShown.Right, FShown.Rows, false, kAdded);
}

}  // namespace zan
