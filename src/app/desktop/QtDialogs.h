// The host's side of the wizard's seams, with Qt: the dialogs (message boxes,
// modal forms shown by TFormView, the file-open and folder dialogs, the
// exception display), the busy indicator (the wait cursor) and the shell's
// "open" verb. The host lends them to the plug-in and installs them in its
// own copy of the seams too.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>

#include "ide/HostServices.h"
#include "wizard/Dialogs.h"

class QWidget;

namespace zan {

/// A file-dialog filter of the form "Description|*.a;*.b|..." as Qt's name
/// filters ("Description (*.a *.b)"); a description that already shows its
/// patterns in parentheses is kept as it is.
QStringList QtNameFilters(const std::u16string& filter);

class TQtDialogs : public IWizardDialogs {
 public:
  /// `mainWindow` (may be nullptr) parents the dialogs when no modal one is open.
  explicit TQtDialogs(QWidget* mainWindow = nullptr) : FMainWindow(mainWindow) {}
  void SetMainWindow(QWidget* mainWindow) { FMainWindow = mainWindow; }

  void MessageBox(const std::u16string& text, const std::u16string& caption,
                  TMsgBoxIcon icon) override;
  void MessageDlg(const std::u16string& text, TMsgDlgType type) override;
  void ShowModal(TForm& form) override;
  bool ExecuteOpenDialog(TOpenDialog& dialog) override;
  bool SelectDirectory(const std::u16string& caption, const std::u16string& root,
                       std::u16string& directory) override;
  void ShowException(const std::u16string& message) override;

 private:
  /// The open modal dialog, else the main window.
  QWidget* Parent() const;
  QWidget* FMainWindow;
};

/// The wait cursor while a run works; nested starts need as many stops.
/// `OnStep` (when set) hears which file is being worked on, `OnIdle` that
/// the last stop came (the run is over).
class TWaitCursor : public IBusyIndicator {
 public:
  ~TWaitCursor() override;
  void StartWait() override;
  void StopWait() override;
  void Step(const std::u16string& what) override;
  int Depth() const { return FDepth; }
  int Starts() const { return FStarts; }
  std::function<void(const QString&)> OnStep;
  std::function<void()> OnIdle;

 private:
  int FDepth = 0;
  int FStarts = 0;
};

/// The shell's "open" verb through the desktop's URL handler.
class TQtShell : public IShell {
 public:
  bool Open(const std::u16string& fileName) override;
};

}  // namespace zan
