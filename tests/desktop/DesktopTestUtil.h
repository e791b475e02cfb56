// Helpers of the desktop host's tests: the application object (offscreen),
// a script that answers modal dialogs as a user would, screenshots, and a
// small BDE project on disk.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QString>
#include <QWidget>

class QTimer;
namespace zan {
class TFormView;
}
#include <deque>
#include <filesystem>
#include <functional>
#include <string>

namespace zan::test {

/// The one application object of the test run (offscreen unless the
/// environment names another platform).
QApplication& App();

/// Answers modal dialogs in order: each step waits until the top modal
/// widget is named `modalName` (a form's name, "QMessageBox", ...), then
/// acts on it. Steps run from a timer inside the modal's event loop, so an
/// action that opens a further modal dialog is answered by the next step.
/// A step that waits more than a few seconds fails the test and closes the
/// open dialogs so that the test ends.
class TModalScript {
 public:
  TModalScript();
  ~TModalScript();
  void Then(const QString& modalName, std::function<void(QWidget&)> action);
  /// Every step ran.
  bool Done() const { return FSteps.empty(); }

 private:
  void Poll();
  struct TStep {
    QString ModalName;
    std::function<void(QWidget&)> Action;
  };
  std::deque<TStep> FSteps;
  QTimer* FTimer;
  QWidget* FLastModal = nullptr;
  int FWaited = 0;
};

/// The child of `root` named `name`, or a failed test.
template <class TWidget>
TWidget& Child(QWidget& root, const char* name) {
  auto* child = root.findChild<TWidget*>(QString::fromUtf8(name));
  if (!child) throw std::runtime_error(std::string("no widget named ") + name);
  return *child;
}

/// Clicks the message box's OK (or only) button after checking its text.
void AcceptMessageBox(QWidget& box);
/// The text of a message box.
QString MessageBoxText(QWidget& box);

/// Every label the view shows fits where the model put it: a label of fixed
/// size holds its text (in one line, or wrapped within its height), and a
/// label that sizes itself stays inside the control holding it.
void ExpectLabelsFit(const TFormView& view);
/// Every control the view shows fits: none is cut off by the page or dialog
/// holding it (a scroll box's contents scroll instead), none covers another
/// control of the same parent, every button's and check box's text fits it
/// (indicator included), and every label fits (ExpectLabelsFit).
void ExpectControlsFit(const TFormView& view);

/// Writes `widget` as build-dir/desktop-screenshots/<name>.png and returns the picture.
QImage SaveScreenshot(QWidget& widget, const std::string& name);
/// The picture holds more than a background: several colours, many pixels off the dominant one.
bool IsNonBlank(const QImage& image);

/// A BDE project: Project1.dpr with Unit1.pas (and its text form Unit1.dfm)
/// and sub/Data.pas.
struct TSampleProject {
  explicit TSampleProject(const std::filesystem::path& folder);
  std::filesystem::path Folder;
  std::filesystem::path Project, Unit1, Form1, Data;
  std::string Unit1Text, Form1Text, DataText;
};

std::string ReadText(const std::filesystem::path& path);

}  // namespace zan::test
