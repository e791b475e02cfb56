// Models of the desktop controls that the wizard forms are made of.
//
// The wizard, the target wizard and the save warning are plain objects: every
// control is an object holding its state (caption, text, checked, enabled,
// visible, items, position and size) and its events, and the form's logic
// works on those objects only. A host that shows the forms (the Qt host)
// builds widgets from the models and forwards the user's actions to the
// "user" operations below (Click, UserSetText, UserSelect); tests call the same
// operations. Setting a property from code never raises an event, as in the
// host toolkit; the user operations do, and then run the form's idle-time
// update of its actions, so enabling follows every user step.
//
// Components belong to one form (they are its members) and register with it
// and with their parent control when they are made; they never outlive it.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "rtl/StringList.h"

namespace zan {

class TForm;
class TControl;
class TAction;

/// The result a modal form closes with (the host toolkit's values).
using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;
inline constexpr TModalResult mrYes = 6;
inline constexpr TModalResult mrNo = 7;

class TComponent;
/// An event with its sender (the control that raised it).
using TNotifyEvent = std::function<void(TComponent* sender)>;

/// Binds the member handler `handler` of `owner` as an event (virtual
/// handlers dispatch when the event is raised).
template <class TOwner, class THandler>
TNotifyEvent Bind(TOwner* owner, THandler handler) {
  return [owner, handler](TComponent* sender) { (owner->*handler)(sender); };
}

/// Anything a form holds by name: controls, actions, dialogs.
class TComponent : public TObject {
 public:
  TComponent(TForm* owner, std::u16string_view name);
  ~TComponent() override = default;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  const std::u16string& Name() const { return FName; }
  TForm* Owner() const { return FOwner; }

 private:
  TForm* FOwner;
  std::u16string FName;
};

/// A visible element of a form: position, size, caption, enabling and
/// visibility, and the controls placed on it.
class TControl : public TComponent {
 public:
  TControl(TForm* owner, TControl* parent, std::u16string_view name);

  TControl* Parent() const { return FParent; }
  const std::vector<TControl*>& Controls() const { return FControls; }

  std::u16string Caption;
  bool Enabled = true;
  bool Visible = true;
  int Left = 0, Top = 0, Width = 0, Height = 0;
  int TabOrder = -1;
  TNotifyEvent OnClick;

  void SetBounds(int left, int top, int width, int height);
  /// Visible, with every parent visible and, on a page control, on the active page.
  bool Showing() const;
  /// Showing and enabled, with every parent enabled: the user can reach it.
  bool CanFocus() const;
  /// Makes this control the form's focused control.
  void SetFocus();
  /// The user's click: ignored unless the control can be reached; raises
  /// OnClick (or executes the linked action) and runs the idle update.
  virtual void Click();

 protected:
  /// What a click does once it is allowed.
  virtual void DoClick();
  /// The form's idle-time update after a user step.
  void AfterUserStep();

 private:
  TControl* FParent;
  std::vector<TControl*> FControls;
};

/// A text on the form.
class TLabel : public TControl {
 public:
  using TControl::TControl;
  bool Bold = false;
  bool Centered = false;
  bool WordWrap = false;
  bool AutoSize = true;
  /// The control that the label's accelerator focuses.
  TControl* FocusControl = nullptr;
};

/// A framed line or box.
class TBevel : public TControl {
 public:
  using TControl::TControl;
  enum TShape { bsBox, bsFrame, bsTopLine } Shape = bsBox;
};

/// A picture held as 24-bit pixels (blue, green, red; rows top down).
struct TBitmap {
  int Width = 0;
  int Height = 0;
  int BitsPerPixel = 24;
  std::string Pixels;  // Width * Height * 3 bytes
  bool Empty() const { return Width == 0 || Height == 0; }
  /// The picture as a Windows bitmap file (BMP, bottom-up rows padded to 4 bytes).
  std::string ToBmpFile() const;
};

/// A picture box: a bitmap of the program's own or one of the system's stock icons.
class TImage : public TControl {
 public:
  using TControl::TControl;
  enum TStockIcon { siNone, siQuestion } StockIcon = siNone;
  TBitmap Picture;
  bool Stretch = false;
  bool Transparent = false;
};

/// A push button; with an action it shows the action's caption and enabling
/// and executes it when clicked.
class TButton : public TControl {
 public:
  using TControl::TControl;
  /// Closes the form with this result when clicked (mrNone: does not close).
  TModalResult ModalResult = mrNone;
  bool Default = false;  // the Enter key
  bool Cancel = false;   // the Esc key
  void SetAction(TAction* action);
  TAction* Action() const { return FAction; }

 protected:
  void DoClick() override;

 private:
  TAction* FAction = nullptr;
};

/// A check box; a click toggles it, then raises OnClick or executes its action.
class TCheckBox : public TControl {
 public:
  using TControl::TControl;
  bool Checked = false;
  void SetAction(TAction* action);
  TAction* Action() const { return FAction; }

 protected:
  void DoClick() override;

 private:
  TAction* FAction = nullptr;
};

/// A radio button: checking it unchecks the other radio buttons of its parent.
class TRadioButton : public TControl {
 public:
  using TControl::TControl;
  bool Checked() const { return FChecked; }
  /// From code: no event.
  void SetChecked(bool checked);

 protected:
  /// The user's click checks the button, then raises OnClick.
  void DoClick() override;

 private:
  bool FChecked = false;
};

/// A one-line edit field.
class TEdit : public TControl {
 public:
  using TControl::TControl;
  std::u16string Text;
  TNotifyEvent OnChange;
  /// The user types `text`: raises OnChange.
  void UserSetText(std::u16string_view text);
};

/// A combo box: an editable field with a drop-down list (csDropDown) or a
/// pick list only (csDropDownList, whose text is always the selected item).
class TComboBox : public TControl {
 public:
  enum TStyle { csDropDown, csDropDownList };
  TComboBox(TForm* owner, TControl* parent, std::u16string_view name);

  TStyle Style = csDropDown;
  std::u16string Text;
  TStringList Items;  // unsorted, case-insensitive look-up, duplicates allowed
  TNotifyEvent OnChange;

  int ItemIndex() const;
  /// From code: selects item `index` (-1: none) and takes its text; no event.
  void SetItemIndex(int index);
  /// The user types `text` (editable combo boxes only): raises OnChange.
  void UserSetText(std::u16string_view text);
  /// The user picks item `index` from the list: raises OnChange.
  void UserSelect(int index);

 private:
  int FItemIndex = -1;
};

/// A list box whose items carry check marks; optionally kept sorted.
class TCheckListBox : public TControl {
 public:
  using TControl::TControl;
  bool Sorted = false;

  int Count() const { return static_cast<int>(FItems.size()); }
  const std::u16string& Item(int index) const;
  bool Checked(int index) const;
  /// From code or by the user's tick; no event.
  void SetChecked(int index, bool checked);
  /// Adds an unticked item (in order when Sorted); returns its index.
  int Add(std::u16string_view text);
  void Delete(int index);
  void Clear() { FItems.clear(); }
  /// The items, one per line, each followed by CRLF.
  std::u16string Text() const;

 private:
  struct TItem {
    std::u16string Text;
    bool Checked = false;
  };
  std::vector<TItem> FItems;
};

/// A scrolling area (the summary).
class TScrollBox : public TControl {
 public:
  using TControl::TControl;
};

class TPageControl;

/// One page of a page control; OnShow is raised each time it becomes the active page.
class TTabSheet : public TControl {
 public:
  TTabSheet(TForm* owner, TPageControl* pageControl, std::u16string_view name);
  TPageControl* PageControl() const { return FPageControl; }
  /// Position in the page control.
  int PageIndex() const;
  bool TabVisible = false;  // the wizard's pages show no tabs
  TNotifyEvent OnShow;

 private:
  TPageControl* FPageControl;
};

/// A stack of pages of which one is shown.
class TPageControl : public TControl {
 public:
  using TControl::TControl;
  int PageCount() const { return static_cast<int>(FPages.size()); }
  TTabSheet* Page(int index) const;
  TTabSheet* ActivePage() const { return FActivePage; }
  /// Shows `page` and raises its OnShow (also when it already was the active page).
  void SetActivePage(TTabSheet* page);

 private:
  friend class TTabSheet;
  std::vector<TTabSheet*> FPages;
  TTabSheet* FActivePage = nullptr;
};

/// A command shared by buttons and check boxes: its caption and enabling are
/// shown by every control linked to it; OnUpdate runs at idle time.
class TAction : public TComponent {
 public:
  using TComponent::TComponent;
  const std::u16string& Caption() const { return FCaption; }
  void SetCaption(std::u16string_view caption);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool enabled);
  TNotifyEvent OnExecute;
  TNotifyEvent OnUpdate;
  /// Runs OnExecute when enabled; true when it ran.
  bool Execute();
  void Update();

 private:
  friend class TButton;
  friend class TCheckBox;
  std::u16string FCaption;
  bool FEnabled = true;
  std::vector<TControl*> FClients;
};

/// The form's actions, in order.
class TActionList : public TComponent {
 public:
  using TComponent::TComponent;
  void Add(TAction& action) { FActions.push_back(&action); }
  const std::vector<TAction*>& Actions() const { return FActions; }

 private:
  std::vector<TAction*> FActions;
};

/// The file-open dialog's settings; Execute asks the dialog seam.
class TOpenDialog : public TComponent {
 public:
  using TComponent::TComponent;
  enum TOption { ofHideReadOnly = 1, ofPathMustExist = 2, ofFileMustExist = 4, ofEnableSizing = 8 };
  std::u16string Filter;  // "Description|*.ext|..."
  int FilterIndex = 1;
  std::u16string InitialDir;
  std::u16string FileName;
  std::u16string Title;
  int Options = ofHideReadOnly | ofEnableSizing;
  /// Shows the dialog; true when the user chose a file (FileName then holds it).
  bool Execute();
};

/// A dialog window: its controls, the focused one, the modal result and the
/// show and close events. ShowModal hands the form to the dialog seam.
class TForm : public TControl {
 public:
  enum TPosition { poDesigned, poScreenCenter };
  explicit TForm(std::u16string_view name);
  ~TForm() override;

  int ClientWidth = 0, ClientHeight = 0;
  TPosition Position = poScreenCenter;
  /// Border with the system menu only (a dialog frame).
  bool DialogBorder = true;
  TNotifyEvent OnShow;
  TNotifyEvent OnClose;

  const std::vector<TComponent*>& Components() const { return FComponents; }
  /// The component named `name` (exact), or nullptr.
  TComponent* FindComponent(std::u16string_view name) const;
  TControl* ActiveControl() const { return FActiveControl; }
  void SetActiveControl(TControl* control) { FActiveControl = control; }

  TModalResult ModalResult() const { return FModalResult; }
  /// Setting a result other than mrNone ends a modal showing.
  void SetModalResult(TModalResult result) { FModalResult = result; }
  /// Raises OnShow, lets the host show the form until a result is set,
  /// raises OnClose and returns the result (mrCancel when none was set).
  TModalResult ShowModal();
  /// The close box or Esc: ends the showing with mrCancel.
  void Close() { FModalResult = mrCancel; }
  /// The idle-time update: runs every action's OnUpdate.
  void UpdateActions();
  /// The actions updated at idle time.
  void AddActionList(TActionList& list) { FActionLists.push_back(&list); }

 private:
  friend class TComponent;
  std::vector<TComponent*> FComponents;
  std::vector<TActionList*> FActionLists;
  TControl* FActiveControl = nullptr;
  TModalResult FModalResult = mrNone;
};

}  // namespace zan
