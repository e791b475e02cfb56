#include "app/desktop/QtDialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

#include "app/desktop/ExceptionGuard.h"
#include "app/desktop/FormView.h"
#include "app/desktop/QtText.h"
#include "wizard/Controls.h"

namespace zan {

namespace {

QMessageBox::Icon BoxIcon(TMsgBoxIcon icon) {
  switch (icon) {
    case TMsgBoxIcon::Information:
      return QMessageBox::Information;
    case TMsgBoxIcon::Warning:
      return QMessageBox::Warning;
    case TMsgBoxIcon::Error:
      return QMessageBox::Critical;
    case TMsgBoxIcon::Question:
      return QMessageBox::Question;
    case TMsgBoxIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::Icon DlgIcon(TMsgDlgType type) {
  switch (type) {
    case TMsgDlgType::mtWarning:
      return QMessageBox::Warning;
    case TMsgDlgType::mtError:
      return QMessageBox::Critical;
    case TMsgDlgType::mtInformation:
      return QMessageBox::Information;
    case TMsgDlgType::mtConfirmation:
      return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

QStringList QtNameFilters(const std::u16string& filter) {
  const QStringList parts = ToQString(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString description = parts[i].trimmed();
    const QString patterns =
        parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
    const QString shown = QLatin1Char('(') + patterns + QLatin1Char(')');
    if (description.endsWith(shown))
      filters << description;
    else if (description.isEmpty())
      filters << shown;
    else
      filters << description + QLatin1Char(' ') + shown;
  }
  return filters;
}

QWidget* TQtDialogs::Parent() const {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return FMainWindow;
}

void TQtDialogs::MessageBox(const std::u16string& text, const std::u16string& caption,
                            TMsgBoxIcon icon) {
  QMessageBox box(BoxIcon(icon), ToQString(caption), ToQString(text), QMessageBox::Ok, Parent());
  box.exec();
}

void TQtDialogs::MessageDlg(const std::u16string& text, TMsgDlgType type) {
  QMessageBox box(DlgIcon(type), QApplication::applicationName(), ToQString(text), QMessageBox::Ok,
                  Parent());
  box.exec();
}

void TQtDialogs::ShowModal(TForm& form) {
  TFormView view(form, Parent());
  view.RunModal();
}

bool TQtDialogs::ExecuteOpenDialog(TOpenDialog& dialog) {
  QFileDialog box(Parent(), dialog.Title.empty() ? QStringLiteral("Open") : ToQString(dialog.Title),
                  ToQString(dialog.InitialDir));
  box.setObjectName(QStringLiteral("OpenDialog"));
  box.setOption(QFileDialog::DontUseNativeDialog);
  box.setAcceptMode(QFileDialog::AcceptOpen);
  box.setFileMode((dialog.Options & TOpenDialog::ofFileMustExist) ? QFileDialog::ExistingFile
                                                                  : QFileDialog::AnyFile);
  const QStringList filters = QtNameFilters(dialog.Filter);
  if (!filters.isEmpty()) {
    box.setNameFilters(filters);
    const int index = dialog.FilterIndex - 1;
    if (index >= 0 && index < filters.size()) box.selectNameFilter(filters[index]);
  }
  if (!dialog.FileName.empty()) box.selectFile(ToQString(dialog.FileName));
  if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) return false;
  dialog.FileName = FromQString(box.selectedFiles().front());
  if (const qsizetype index = filters.indexOf(box.selectedNameFilter()); index >= 0)
    dialog.FilterIndex = static_cast<int>(index) + 1;
  return true;
}

bool TQtDialogs::SelectDirectory(const std::u16string& caption, const std::u16string& root,
                                 std::u16string& directory) {
  QFileDialog box(Parent(), ToQString(caption), ToQString(root));
  box.setObjectName(QStringLiteral("SelectDirectoryDialog"));
  box.setOption(QFileDialog::DontUseNativeDialog);
  box.setOption(QFileDialog::ShowDirsOnly);
  box.setFileMode(QFileDialog::Directory);
  if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) return false;
  directory = FromQString(box.selectedFiles().front());
  return true;
}

void TQtDialogs::ShowException(const std::u16string& message) {
  ShowErrorBox(Parent(), ToQString(message));
}

TWaitCursor::~TWaitCursor() {
  while (FDepth > 0) StopWait();
}

void TWaitCursor::StartWait() {
  ++FStarts;
  ++FDepth;
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TWaitCursor::StopWait() {
  if (FDepth == 0) return;
  --FDepth;
  QApplication::restoreOverrideCursor();
  if (FDepth > 0) return;
  if (OnStep) OnStep(QString());
  if (OnIdle) OnIdle();
}

void TWaitCursor::Step(const std::u16string& what) {
  if (OnStep) OnStep(ToQString(what));
}

bool TQtShell::Open(const std::u16string& fileName) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(ToQString(fileName)));
}

}  // namespace zan
