// The host's exception boundary. An exception must never cross Qt's event
// loop: every slot that runs the plug-in's or the models' code runs it
// through RunGuarded, which shows the message in an error box (as the IDE's
// default exception display does) and lets the program go on.
// TDesktopApplication catches what still reaches the event dispatch.
#pragma once

#include <QApplication>
#include <QString>
#include <functional>

class QWidget;

namespace zan {

/// Shows `message` in a modal error box titled with the application's name.
void ShowErrorBox(QWidget* parent, const QString& message);

/// The message of the exception being handled (call inside a catch block).
QString CurrentExceptionMessage();

/// Runs `step`; an exception it throws is shown with ShowErrorBox and
/// swallowed. True when the step ran to its end.
bool RunGuarded(QWidget* parent, const std::function<void()>& step);

/// The application object of the host: event dispatch that shows an
/// exception instead of letting it unwind through Qt.
class TDesktopApplication : public QApplication {
 public:
  TDesktopApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace zan
