#include "app/desktop/ExceptionGuard.h"

#include <QMessageBox>
#include <exception>

namespace zan {

void ShowErrorBox(QWidget* parent, const QString& message) {
  QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), message,
                  QMessageBox::Ok, parent);
  box.setObjectName(QStringLiteral("ExceptionBox"));
  box.exec();
}

QString CurrentExceptionMessage() {
  try {
    throw;
  } catch (const std::exception& error) {
    return QString::fromUtf8(error.what());
  } catch (...) {
    return QStringLiteral("Unknown error.");
  }
}

bool RunGuarded(QWidget* parent, const std::function<void()>& step) {
  QString message;
  try {
    step();
    return true;
  } catch (...) {
    message = CurrentExceptionMessage();
  }
  // Shown outside the handler: the box runs an event loop of its own.
  ShowErrorBox(parent, message);
  return false;
}

TDesktopApplication::TDesktopApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TDesktopApplication::notify(QObject* receiver, QEvent* event) {
  QString message;
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    message = CurrentExceptionMessage();
  }
  ShowErrorBox(activeModalWidget() ? activeModalWidget() : activeWindow(), message);
  return false;
}

}  // namespace zan
