// TFormView: a Qt dialog showing one form model (wizard/Controls.h) as real
// widgets, for as long as the model is shown modally.
//
// Every control of the model gets a widget named like it, at the position
// and size the model gives (labels that size themselves keep their position
// and take the size of their text). The view owns no state: the user's
// actions go to the model's user operations (Click, UserSetText,
// UserSelect, ticks), the model runs its events and idle-time update, and
// the view then shows the model again (captions, enabling, visibility, the
// active page, texts, lists, focus). Before each user step the model's
// focused control is set to the widget that has the focus, so that a step
// that focuses a control (a failed Next) moves the focus every time. The
// arrow keys move among the radio buttons of a group and check the one
// they reach, as the host toolkit does. A wrapping label in a scroll box
// grows wide enough for its longest word (a path), so it can be scrolled to.
// The showing ends when the model has a modal result; the close box closes
// the form (mrCancel) and Esc clicks the form's Cancel button. An exception
// from the model is shown in an error box and the dialog stays open.
//
// The model may have been made by the plug-in, which is compiled against the
// same headers: the view uses only its members and virtual operations.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <functional>
#include <vector>

#include "wizard/Controls.h"

namespace zan {

/// A 24-bit model bitmap as a pixmap.
QPixmap PixmapFromBitmap(const TBitmap& bitmap);

class TFormView : public QDialog {
  Q_OBJECT

 public:
  explicit TFormView(TForm& form, QWidget* parent = nullptr);
  ~TFormView() override;

  TForm& Form() const { return FForm; }
  /// Shows the model again in every widget.
  void Refresh();
  /// Shows the dialog until the model has a modal result; returns it
  /// (mrNone when the dialog ended otherwise).
  TModalResult RunModal();
  /// The widget of `control`, or nullptr.
  QWidget* WidgetOf(const TControl* control) const;
  /// The control shown by `widget` or by a widget holding it, or nullptr.
  TControl* ControlOf(const QWidget* widget) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  struct TBinding {
    TControl* Control;
    QWidget* Widget;
    std::function<void()> Show;  // model -> widget, beyond the common properties
  };

  void Build(TControl& control, QWidget* parent);
  QWidget* MakeWidget(TControl& control, QWidget* parent, std::function<void()>& show);
  void Place(const TBinding& binding);
  /// Runs a user action on the model, then shows the model and ends the
  /// showing when a result was set.
  void UserStep(const std::function<void()>& step);
  TButton* CancelButton() const;
  /// The arrow keys on a radio button: the next (or previous) radio button
  /// of its group that the user can reach, checked.
  void MoveAmongRadioButtons(TRadioButton& from, bool forward);

  TForm& FForm;
  std::vector<TBinding> FBindings;
  TControl* FFocused = nullptr;
  bool FRefreshing = false;
};

}  // namespace zan
