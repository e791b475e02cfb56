#include "app/desktop/FormView.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QStyle>
#include <algorithm>

#include "app/desktop/ExceptionGuard.h"
#include "app/desktop/QtText.h"

namespace zan {

namespace {

QStringList ItemList(const TStringList& items) {
  QStringList list;
  for (int i = 0; i < items.Count(); ++i) list << ToQString(items[i]);
  return list;
}

QStringList ComboItems(const QComboBox& combo) {
  QStringList list;
  for (int i = 0; i < combo.count(); ++i) list << combo.itemText(i);
  return list;
}

}  // namespace

QPixmap PixmapFromBitmap(const TBitmap& bitmap) {
  if (bitmap.Empty() ||
      bitmap.Pixels.size() < static_cast<size_t>(bitmap.Width) * bitmap.Height * 3)
    return {};
  QImage image(reinterpret_cast<const uchar*>(bitmap.Pixels.data()), bitmap.Width, bitmap.Height,
               bitmap.Width * 3, QImage::Format_BGR888);
  return QPixmap::fromImage(image.copy());
}

TFormView::TFormView(TForm& form, QWidget* parent) : QDialog(parent), FForm(form) {
  setObjectName(ToQString(form.Name()));
  // The forms were laid out for an 8-point dialog font of 11 pixels.
  QFont small = font();
  small.setPixelSize(11);
  small.setStretch(QFont::SemiCondensed);
  setFont(small);
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(form.ClientWidth, form.ClientHeight);
  for (TControl* control : form.Controls()) Build(*control, this);
  // Labels lead to their controls; tab order follows the model where given.
  std::vector<TBinding*> ordered;
  for (TBinding& binding : FBindings) {
    if (auto* label = dynamic_cast<TLabel*>(binding.Control); label && label->FocusControl)
      static_cast<QLabel*>(binding.Widget)->setBuddy(WidgetOf(label->FocusControl));
    if (binding.Control->TabOrder >= 0) ordered.push_back(&binding);
  }
  std::stable_sort(ordered.begin(), ordered.end(), [](const TBinding* a, const TBinding* b) {
    return a->Control->TabOrder < b->Control->TabOrder;
  });
  for (size_t i = 1; i < ordered.size(); ++i)
    QWidget::setTabOrder(ordered[i - 1]->Widget, ordered[i]->Widget);
  Refresh();
}

TFormView::~TFormView() = default;

QWidget* TFormView::WidgetOf(const TControl* control) const {
  for (const TBinding& binding : FBindings)
    if (binding.Control == control) return binding.Widget;
  return nullptr;
}

TControl* TFormView::ControlOf(const QWidget* widget) const {
  // The focus may be on a part of a control (the edit field of a combo box).
  for (; widget && widget != this; widget = widget->parentWidget())
    for (const TBinding& binding : FBindings)
      if (binding.Widget == widget) return binding.Control;
  return nullptr;
}

void TFormView::Build(TControl& control, QWidget* parent) {
  std::function<void()> show;
  QWidget* widget = MakeWidget(control, parent, show);
  widget->setObjectName(ToQString(control.Name()));
  FBindings.push_back({&control, widget, std::move(show)});
  // Pages and the scroll box hold their children on widgets of their own.
  QWidget* inner = widget;
  if (auto* area = qobject_cast<QScrollArea*>(widget)) inner = area->widget();
  if (dynamic_cast<TPageControl*>(&control)) return;  // its pages were built with it
  for (TControl* child : control.Controls()) Build(*child, inner);
}

QWidget* TFormView::MakeWidget(TControl& control, QWidget* parent, std::function<void()>& show) {
  if (auto* pages = dynamic_cast<TPageControl*>(&control)) {
    auto* stack = new QStackedWidget(parent);
    for (int i = 0; i < pages->PageCount(); ++i) {
      TTabSheet* sheet = pages->Page(i);
      auto* page = new QWidget(stack);
      page->setObjectName(ToQString(sheet->Name()));
      stack->addWidget(page);
      FBindings.push_back({sheet, page, nullptr});
      for (TControl* child : sheet->Controls()) Build(*child, page);
    }
    show = [this, pages, stack] {
      if (QWidget* page = WidgetOf(pages->ActivePage())) stack->setCurrentWidget(page);
    };
    return stack;
  }
  if (auto* box = dynamic_cast<TScrollBox*>(&control)) {
    auto* area = new QScrollArea(parent);
    auto* inner = new QWidget(area);
    area->setWidget(inner);
    area->setWidgetResizable(false);
    show = [this, box, inner] {
      // The inner area grows to hold its children.
      int width = 0, height = 0;
      for (TControl* child : box->Controls())
        if (QWidget* w = WidgetOf(child); w && child->Visible) {
          width = std::max(width, w->geometry().right() + 4);
          height = std::max(height, w->geometry().bottom() + 4);
        }
      inner->resize(width, height);
    };
    return area;
  }
  if (auto* label = dynamic_cast<TLabel*>(&control)) {
    auto* widget = new QLabel(parent);
    // A label that leads to a control shows its accelerator; any other shows
    // its text as it is (the summary holds the user's paths).
    widget->setTextFormat(label->FocusControl ? Qt::AutoText : Qt::PlainText);
    if (label->Bold) {
      QFont bold = widget->font();
      bold.setBold(true);
      widget->setFont(bold);
    }
    widget->setWordWrap(label->WordWrap);
    widget->setAlignment((label->Centered ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
    show = [label, widget] { widget->setText(ToQString(label->Caption)); };
    return widget;
  }
  if (auto* bevel = dynamic_cast<TBevel*>(&control)) {
    auto* frame = new QFrame(parent);
    switch (bevel->Shape) {
      case TBevel::bsTopLine:
        frame->setFrameStyle(QFrame::HLine | QFrame::Sunken);
        break;
      case TBevel::bsFrame:
        frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
        break;
      case TBevel::bsBox:
        frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        break;
    }
    return frame;
  }
  if (auto* image = dynamic_cast<TImage*>(&control)) {
    auto* widget = new QLabel(parent);
    widget->setAlignment(Qt::AlignCenter);
    show = [image, widget] {
      QPixmap pixmap;
      if (image->StockIcon == TImage::siQuestion)
        pixmap = widget->style()
                     ->standardIcon(QStyle::SP_MessageBoxQuestion)
                     .pixmap(std::max(1, image->Width), std::max(1, image->Height));
      else
        pixmap = PixmapFromBitmap(image->Picture);
      if (image->Stretch && !pixmap.isNull())
        pixmap = pixmap.scaled(image->Width, image->Height, Qt::IgnoreAspectRatio,
                               Qt::SmoothTransformation);
      widget->setPixmap(pixmap);
    };
    return widget;
  }
  if (auto* button = dynamic_cast<TButton*>(&control)) {
    auto* widget = new QPushButton(parent);
    widget->setAutoDefault(false);
    // The default button (Enter) may change with the page: Finish on the last.
    show = [button, widget] { widget->setDefault(button->Default); };
    connect(widget, &QPushButton::clicked, this,
            [this, button] { UserStep([button] { button->Click(); }); });
    return widget;
  }
  if (auto* check = dynamic_cast<TCheckBox*>(&control)) {
    auto* widget = new QCheckBox(parent);
    connect(widget, &QCheckBox::clicked, this,
            [this, check] { UserStep([check] { check->Click(); }); });
    show = [check, widget] { widget->setChecked(check->Checked); };
    return widget;
  }
  if (auto* radio = dynamic_cast<TRadioButton*>(&control)) {
    auto* widget = new QRadioButton(parent);
    // The model keeps the group exclusive; Qt's own grouping would fight it.
    // Without it Qt's arrow keys only move the focus: eventFilter does their work.
    widget->setAutoExclusive(false);
    widget->installEventFilter(this);
    connect(widget, &QRadioButton::clicked, this,
            [this, radio] { UserStep([radio] { radio->Click(); }); });
    show = [radio, widget] { widget->setChecked(radio->Checked()); };
    return widget;
  }
  if (auto* edit = dynamic_cast<TEdit*>(&control)) {
    auto* widget = new QLineEdit(parent);
    connect(widget, &QLineEdit::textChanged, this, [this, edit](const QString& text) {
      if (!FRefreshing) UserStep([edit, text] { edit->UserSetText(FromQString(text)); });
    });
    show = [edit, widget] {
      if (widget->text() != ToQString(edit->Text)) widget->setText(ToQString(edit->Text));
    };
    return widget;
  }
  if (auto* combo = dynamic_cast<TComboBox*>(&control)) {
    auto* widget = new QComboBox(parent);
    const bool editable = combo->Style == TComboBox::csDropDown;
    widget->setEditable(editable);
    if (editable) {
      widget->setInsertPolicy(QComboBox::NoInsert);
      connect(widget, &QComboBox::editTextChanged, this, [this, combo](const QString& text) {
        if (!FRefreshing) UserStep([combo, text] { combo->UserSetText(FromQString(text)); });
      });
    } else {
      connect(widget, &QComboBox::currentIndexChanged, this, [this, combo](int index) {
        if (!FRefreshing) UserStep([combo, index] { combo->UserSelect(index); });
      });
    }
    show = [combo, widget, editable] {
      const QStringList items = ItemList(combo->Items);
      if (ComboItems(*widget) != items) {
        widget->clear();
        widget->addItems(items);
      }
      if (editable) {
        if (widget->currentText() != ToQString(combo->Text))
          widget->setEditText(ToQString(combo->Text));
      } else {
        widget->setCurrentIndex(combo->ItemIndex());
      }
    };
    return widget;
  }
  if (auto* list = dynamic_cast<TCheckListBox*>(&control)) {
    auto* widget = new QListWidget(parent);
    connect(widget, &QListWidget::itemChanged, this, [this, list, widget](QListWidgetItem* item) {
      if (FRefreshing) return;
      const int row = widget->row(item);
      const bool checked = item->checkState() == Qt::Checked;
      UserStep([list, row, checked] {
        if (row >= 0 && row < list->Count() && list->CanFocus()) list->SetChecked(row, checked);
      });
    });
    show = [list, widget] {
      bool same = widget->count() == list->Count();
      for (int i = 0; same && i < list->Count(); ++i)
        same = widget->item(i)->text() == ToQString(list->Item(i));
      if (!same) {
        widget->clear();
        for (int i = 0; i < list->Count(); ++i) {
          auto* item = new QListWidgetItem(ToQString(list->Item(i)), widget);
          item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        }
      }
      for (int i = 0; i < list->Count(); ++i)
        widget->item(i)->setCheckState(list->Checked(i) ? Qt::Checked : Qt::Unchecked);
    };
    return widget;
  }
  // A plain control (a tab sheet outside a page control, a panel).
  return new QWidget(parent);
}

void TFormView::Place(const TBinding& binding) {
  TControl& control = *binding.Control;
  QWidget* widget = binding.Widget;
  if (dynamic_cast<TTabSheet*>(&control)) return;  // the page control places its pages
  auto* label = dynamic_cast<TLabel*>(&control);
  if (label && label->AutoSize && !label->WordWrap && !label->Centered) {
    // A label that sizes itself: its position, the size of its text.
    const QSize hint = widget->sizeHint();
    widget->setGeometry(control.Left, control.Top, hint.width(),
                        std::max(hint.height(), control.Height));
  } else if (label && label->WordWrap && label->AutoSize) {
    // A wrapping label keeps its width and grows to hold its text. In a
    // scroll box it also widens to its longest word, which a line cannot
    // break (a long path), so that the box scrolls to the word's end.
    int width = control.Width;
    if (dynamic_cast<TScrollBox*>(control.Parent())) {
      const QFontMetrics metrics(widget->font());
      const QMargins margins = widget->contentsMargins();
      const QStringList words =
          ToQString(label->Caption)
              .split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
      for (const QString& word : words)
        width = std::max(width, metrics.horizontalAdvance(word) + margins.left() + margins.right() +
                                    2 * static_cast<QLabel*>(widget)->margin());
    }
    const int height = std::max(control.Height, widget->heightForWidth(width));
    widget->setGeometry(control.Left, control.Top, width, height);
  } else {
    widget->setGeometry(control.Left, control.Top, control.Width, control.Height);
  }
}

void TFormView::Refresh() {
  FRefreshing = true;
  std::vector<std::unique_ptr<QSignalBlocker>> blockers;
  for (const TBinding& binding : FBindings)
    blockers.push_back(std::make_unique<QSignalBlocker>(binding.Widget));
  setWindowTitle(ToQString(FForm.Caption));
  for (const TBinding& binding : FBindings) {
    TControl& control = *binding.Control;
    QWidget* widget = binding.Widget;
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
      button->setText(ToQString(control.Caption));
    if (binding.Show) binding.Show();
    widget->setEnabled(control.Enabled);
    Place(binding);
    if (!dynamic_cast<TTabSheet*>(&control)) widget->setVisible(control.Visible);
  }
  // The scroll box's size follows its children, which were placed above.
  for (const TBinding& binding : FBindings)
    if (dynamic_cast<TScrollBox*>(binding.Control) && binding.Show) binding.Show();
  blockers.clear();
  FRefreshing = false;
  if (TControl* focused = FForm.ActiveControl(); focused != FFocused) {
    FFocused = focused;
    if (QWidget* widget = WidgetOf(focused)) widget->setFocus();
  }
}

void TFormView::UserStep(const std::function<void()>& step) {
  // The model's focused control is the one the user left the focus on: a
  // step that focuses a control again (a failed Next) is then a change.
  if (TControl* focused = ControlOf(focusWidget())) {
    FForm.SetActiveControl(focused);
    FFocused = focused;
  }
  RunGuarded(this, [&] {
    step();
    FForm.UpdateActions();
  });
  Refresh();
  if (FForm.ModalResult() != mrNone && isVisible()) {
    FForm.Left = x();
    FForm.Top = y();
    done(FForm.ModalResult());
  }
}

TModalResult TFormView::RunModal() {
  Refresh();
  if (FForm.Position == TForm::poScreenCenter) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      const QRect area = screen->availableGeometry();
      move(area.center() - QPoint(width() / 2, height() / 2));
    }
  } else {
    move(FForm.Left, FForm.Top);
  }
  if (FForm.ModalResult() != mrNone) return FForm.ModalResult();
  exec();
  return FForm.ModalResult();
}

TButton* TFormView::CancelButton() const {
  for (TComponent* component : FForm.Components())
    if (auto* button = dynamic_cast<TButton*>(component); button && button->Cancel) return button;
  return nullptr;
}

void TFormView::MoveAmongRadioButtons(TRadioButton& from, bool forward) {
  std::vector<TRadioButton*> group;
  for (TControl* sibling : from.Parent()->Controls())
    if (auto* radio = dynamic_cast<TRadioButton*>(sibling); radio && radio->CanFocus())
      group.push_back(radio);
  const auto at = std::find(group.begin(), group.end(), &from);
  if (group.size() < 2 || at == group.end()) return;
  const size_t index = static_cast<size_t>(at - group.begin());
  TRadioButton* next = group[(index + (forward ? 1 : group.size() - 1)) % group.size()];
  if (QWidget* widget = WidgetOf(next)) widget->setFocus(Qt::TabFocusReason);
  UserStep([next] { next->Click(); });
}

bool TFormView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    auto* radio = dynamic_cast<TRadioButton*>(ControlOf(qobject_cast<QWidget*>(watched)));
    const bool forward = key->key() == Qt::Key_Down || key->key() == Qt::Key_Right;
    const bool back = key->key() == Qt::Key_Up || key->key() == Qt::Key_Left;
    if (radio && (forward || back) && !(key->modifiers() & ~Qt::KeypadModifier)) {
      MoveAmongRadioButtons(*radio, forward);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TFormView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    // Esc clicks the Cancel button (when the user could click it).
    if (TButton* button = CancelButton()) UserStep([button] { button->Click(); });
    return;
  }
  QDialog::keyPressEvent(event);
}

void TFormView::closeEvent(QCloseEvent* event) {
  if (isVisible() && FForm.ModalResult() == mrNone) UserStep([this] { FForm.Close(); });
  event->accept();
}

void TFormView::reject() {
  // Anything else that would end the dialog (the window manager) closes the form.
  if (FForm.ModalResult() == mrNone) UserStep([this] { FForm.Close(); });
}

}  // namespace zan
