#include "DesktopTestUtil.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTimer>
#include <map>
#include <vector>

#include "app/desktop/FormView.h"
#include "app/desktop/QtText.h"
#include "common/TestUtil.h"

namespace zan::test {

QApplication& App() {
  static QApplication* app = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "test_desktop";
    static char* argv[] = {name, nullptr};
    auto* created = new QApplication(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zanmig-ide"));
    return created;
  }();
  return *app;
}

TModalScript::TModalScript() : FTimer(new QTimer) {
  QObject::connect(FTimer, &QTimer::timeout, [this] { Poll(); });
  FTimer->start(20);
}

TModalScript::~TModalScript() {
  delete FTimer;
}

void TModalScript::Then(const QString& modalName, std::function<void(QWidget&)> action) {
  FSteps.push_back({modalName, std::move(action)});
}

void TModalScript::Poll() {
  if (FSteps.empty()) {
    // A dialog nobody expected would keep the test waiting for ever.
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal != FLastModal) {
      FLastModal = modal;
      FWaited = 0;
      return;
    }
    if (++FWaited < 250) return;
    ADD_FAILURE() << "unexpected dialog " << modal->objectName().toStdString() << " closed";
    if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->done(0);
    FWaited = 0;
    return;
  }
  QWidget* modal = QApplication::activeModalWidget();
  const QString name =
      modal ? (modal->objectName().isEmpty() ? QString::fromUtf8(modal->metaObject()->className())
                                             : modal->objectName())
            : QString();
  // A dialog is answered once it has been seen on two ticks in a row: by then
  // its own event loop runs, and ending it returns from its exec().
  const bool settled = modal && modal == FLastModal && modal->isVisible();
  FLastModal = modal;
  if (settled && name == FSteps.front().ModalName) {
    auto action = std::make_shared<TStep>(std::move(FSteps.front()));
    FSteps.pop_front();
    FWaited = 0;
    FLastModal = nullptr;
    // Acted on from a timer of its own: a timer does not fire again while its
    // handler runs, so a dialog that this action opens is answered by Poll.
    QPointer<QWidget> target = modal;
    QTimer::singleShot(0, [action, target, name] {
      if (!target) return;
      try {
        action->Action(*target);
      } catch (const std::exception& error) {
        ADD_FAILURE() << "script step on " << name.toStdString() << ": " << error.what();
        if (auto* dialog = qobject_cast<QDialog*>(target.data())) dialog->done(0);
      }
    });
    return;
  }
  if (++FWaited < 250) return;
  ADD_FAILURE() << "waited in vain for " << FSteps.front().ModalName.toStdString()
                << (modal ? "; open: " + name.toStdString() : std::string("; none open"));
  FSteps.clear();
  while (QWidget* open = QApplication::activeModalWidget()) {
    auto* dialog = qobject_cast<QDialog*>(open);
    if (!dialog) break;
    dialog->done(0);
    QCoreApplication::processEvents();
    if (QApplication::activeModalWidget() == open) break;
  }
}

QString MessageBoxText(QWidget& box) {
  auto* message = qobject_cast<QMessageBox*>(&box);
  return message ? message->text() : QString();
}

void AcceptMessageBox(QWidget& box) {
  auto* message = qobject_cast<QMessageBox*>(&box);
  if (!message) throw std::runtime_error("not a message box");
  QAbstractButton* button = message->button(QMessageBox::Ok);
  if (!button) button = message->buttons().value(0);
  button->click();
}

namespace {

/// A caption as drawn: the accelerator marks removed ("&&" stays one "&").
QString DrawnText(const QString& caption) {
  QString text = caption;
  text.remove(QRegularExpression(QStringLiteral("&(?!&)")));
  return text.replace(QStringLiteral("&&"), QStringLiteral("&"));
}

/// The width a button needs for its text: a push button's text between its
/// margins, a check box's or radio button's after its indicator.
int NeededWidth(const QAbstractButton& button) {
  const QStyle* style = button.style();
  const int text = button.fontMetrics().horizontalAdvance(DrawnText(button.text()));
  if (qobject_cast<const QCheckBox*>(&button))
    return style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &button) +
           style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, &button) + text;
  if (qobject_cast<const QRadioButton*>(&button))
    return style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, &button) +
           style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, &button) + text;
  return text + 2 * style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, &button);
}

}  // namespace

void ExpectControlsFit(const TFormView& view) {
  std::map<const QWidget*, std::vector<std::pair<std::string, QRect>>> shownIn;
  for (TComponent* component : view.Form().Components()) {
    auto* control = dynamic_cast<TControl*>(component);
    QWidget* widget = control ? view.WidgetOf(control) : nullptr;
    if (!widget || !widget->isVisible() || dynamic_cast<TTabSheet*>(control)) continue;
    const std::string name = ToQString(control->Name()).toStdString();
    const QRect box = widget->geometry();
    const QWidget* parent = widget->parentWidget();
    // Cut off by its parent (a page, the dialog); a scroll box scrolls to what
    // lies beyond its edge instead.
    if (!dynamic_cast<TScrollBox*>(control->Parent())) {
      EXPECT_TRUE(parent->rect().contains(box))
          << name << " at (" << box.left() << ", " << box.top() << ") " << box.width() << " x "
          << box.height() << " is cut off by its parent, " << parent->width() << " x "
          << parent->height();
    }
    // Covers a control beside it (a bevel frames the controls it surrounds).
    if (dynamic_cast<TBevel*>(control)) continue;
    for (const auto& [other, rect] : shownIn[parent])
      EXPECT_FALSE(rect.intersects(box)) << name << " covers " << other;
    shownIn[parent].emplace_back(name, box);
    // A button's or check box's text fits it.
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
      EXPECT_LE(NeededWidth(*button), widget->width())
          << name << ": \"" << button->text().toStdString() << "\" does not fit";
    }
  }
  ExpectLabelsFit(view);
}

void ExpectLabelsFit(const TFormView& view) {
  for (TComponent* component : view.Form().Components()) {
    auto* label = dynamic_cast<TLabel*>(component);
    auto* widget = label ? qobject_cast<QLabel*>(view.WidgetOf(label)) : nullptr;
    if (!widget || !widget->isVisible()) continue;
    const std::string name = ToQString(label->Name()).toStdString();
    QString text = widget->text();
    if (widget->textFormat() != Qt::PlainText) text = DrawnText(text);
    const QRect room = widget->contentsRect();
    if (!label->AutoSize && !label->WordWrap) {
      EXPECT_LE(widget->fontMetrics().horizontalAdvance(text), room.width())
          << name << ": \"" << text.toStdString() << "\" is cut";
    } else if (!label->AutoSize) {
      EXPECT_LE(widget->heightForWidth(widget->width()), widget->height())
          << name << ": \"" << text.toStdString() << "\" is cut";
    } else if (!dynamic_cast<TScrollBox*>(label->Parent())) {
      // (A label in a scroll box may be wider: the box scrolls to it.)
      EXPECT_LE(widget->geometry().right(), widget->parentWidget()->width() - 1)
          << name << ": \"" << text.toStdString() << "\" runs off its parent";
    }
  }
}

QImage SaveScreenshot(QWidget& widget, const std::string& name) {
  const QString folder = QStringLiteral(ZAN_BINARY_DIR "/desktop-screenshots");
  QDir().mkpath(folder);
  QImage image = widget.grab().toImage();
  EXPECT_TRUE(image.save(folder + QLatin1Char('/') + QString::fromStdString(name) + ".png"))
      << name;
  return image;
}

bool IsNonBlank(const QImage& image) {
  if (image.isNull()) return false;
  std::map<QRgb, int> counts;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, y)];
  int dominant = 0;
  for (const auto& [colour, count] : counts) dominant = std::max(dominant, count);
  const int total = image.width() * image.height();
  return counts.size() >= 8 && total - dominant >= total / 50;
}

std::string ReadText(const std::filesystem::path& path) {
  return ReadFileBytes(path);
}

TSampleProject::TSampleProject(const std::filesystem::path& folder) : Folder(folder) {
  Project = folder / "Project1.dpr";
  Unit1 = folder / "Unit1.pas";
  Form1 = folder / "Unit1.dfm";
  Data = folder / "sub" / "Data.pas";
  Unit1Text =
      "unit Unit1;\r\n\r\ninterface\r\n\r\nuses\r\n  Windows, Forms, DB, DBTables;\r\n\r\ntype\r\n"
      "  TForm1 = class(TForm)\r\n    Query1: TQuery;\r\n  end;\r\n\r\nvar\r\n  Form1: "
      "TForm1;\r\n\r\n"
      "implementation\r\n\r\n{$R *.dfm}\r\n\r\nend.\r\n";
  Form1Text =
      "object Form1: TForm1\r\n  Left = 0\r\n  Top = 0\r\n  Caption = 'Form1'\r\n"
      "  object Query1: TQuery\r\n    DatabaseName = 'Orders'\r\n    SQL.Strings = (\r\n"
      "      'select * from orders')\r\n    Left = 40\r\n    Top = 24\r\n  end\r\nend\r\n";
  DataText =
      "unit Data;\r\n\r\ninterface\r\n\r\nuses DBTables;\r\n\r\nvar\r\n  T: TTable;\r\n\r\n"
      "implementation\r\n\r\nend.\r\n";
  std::filesystem::create_directories(folder / "sub");
  WriteFileBytes(Project,
                 "program Project1;\r\n\r\nuses\r\n  Forms,\r\n  Unit1 in 'Unit1.pas' {Form1},\r\n"
                 "  Data in 'sub\\Data.pas';\r\n\r\n{$R *.res}\r\n\r\nbegin\r\n  "
                 "Application.Initialize;\r\n  Application.Run;\r\nend.\r\n");
  WriteFileBytes(Unit1, Unit1Text);
  WriteFileBytes(Form1, Form1Text);
  WriteFileBytes(Data, DataText);
}

}  // namespace zan::test

// The font configuration library that Qt loads keeps caches until exit; they
// are not our leaks. Read by LeakSanitizer in sanitizer builds only.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n";
}
