#include "wizard/Controls.h"

#include <algorithm>

#include "rtl/Strings.h"
#include "rtl/SysUtils.h"
#include "wizard/Dialogs.h"

namespace zan {

namespace {
constexpr std::string_view kSource = "MigWizard\\Controls";
}

// ----- TComponent, TControl

TComponent::TComponent(TForm* owner, std::u16string_view name) : FOwner(owner), FName(name) {
  if (owner) owner->FComponents.push_back(this);
}

TControl::TControl(TForm* owner, TControl* parent, std::u16string_view name)
    : TComponent(owner, name), FParent(parent) {
  if (parent) parent->FControls.push_back(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  Left = left;
  Top = top;
  Width = width;
  Height = height;
}

bool TControl::Showing() const {
  for (const TControl* control = this; control; control = control->FParent) {
    if (!control->Visible) return false;
    if (auto* sheet = dynamic_cast<const TTabSheet*>(control))
      if (sheet->PageControl()->ActivePage() != sheet) return false;
  }
  return true;
}

bool TControl::CanFocus() const {
  if (!Showing()) return false;
  for (const TControl* control = this; control; control = control->FParent)
    if (!control->Enabled) return false;
  return true;
}

void TControl::SetFocus() {
  if (Owner()) Owner()->SetActiveControl(this);
}

void TControl::Click() {
  if (!CanFocus()) return;
  DoClick();
  AfterUserStep();
}

void TControl::DoClick() {
  if (OnClick) OnClick(this);
}

void TControl::AfterUserStep() {
  if (Owner()) Owner()->UpdateActions();
}

// ----- TBitmap

namespace {
void PutLE(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}
}  // namespace

std::string TBitmap::ToBmpFile() const {
  const uint32_t rowSize = (static_cast<uint32_t>(Width) * 3 + 3) & ~3u;
  const uint32_t dataSize = rowSize * static_cast<uint32_t>(Height);
  std::string out = "BM";
  PutLE(out, 14 + 40 + dataSize, 4);
  PutLE(out, 0, 4);
  PutLE(out, 14 + 40, 4);
  PutLE(out, 40, 4);  // BITMAPINFOHEADER
  PutLE(out, static_cast<uint32_t>(Width), 4);
  PutLE(out, static_cast<uint32_t>(Height), 4);
  PutLE(out, 1, 2);
  PutLE(out, 24, 2);
  PutLE(out, 0, 4);  // no compression
  PutLE(out, dataSize, 4);
  PutLE(out, 2835, 4);  // 72 dpi
  PutLE(out, 2835, 4);
  PutLE(out, 0, 4);
  PutLE(out, 0, 4);
  const size_t stride = static_cast<size_t>(Width) * 3;
  for (int y = Height - 1; y >= 0; --y) {
    out.append(Pixels, static_cast<size_t>(y) * stride, stride);
    out.append(rowSize - stride, '\0');
  }
  return out;
}

// ----- buttons, check boxes, radio buttons

void TButton::SetAction(TAction* action) {
  FAction = action;
  if (!action) return;
  action->FClients.push_back(this);
  Caption = action->Caption();
  Enabled = action->Enabled();
}

void TButton::DoClick() {
  if (FAction)
    FAction->Execute();
  else if (OnClick)
    OnClick(this);
  if (ModalResult != mrNone && Owner()) Owner()->SetModalResult(ModalResult);
}

void TCheckBox::SetAction(TAction* action) {
  FAction = action;
  if (!action) return;
  action->FClients.push_back(this);
  Caption = action->Caption();
  Enabled = action->Enabled();
}

void TCheckBox::DoClick() {
  Checked = !Checked;
  if (FAction)
    FAction->Execute();
  else if (OnClick)
    OnClick(this);
}

void TRadioButton::SetChecked(bool checked) {
  FChecked = checked;
  if (!checked || !Parent()) return;
  for (TControl* sibling : Parent()->Controls())
    if (auto* radio = dynamic_cast<TRadioButton*>(sibling); radio && radio != this)
      radio->FChecked = false;
}

void TRadioButton::DoClick() {
  SetChecked(true);
  if (OnClick) OnClick(this);
}

// ----- edits and lists

void TEdit::UserSetText(std::u16string_view text) {
  if (!CanFocus()) return;
  Text = text;
  if (OnChange) OnChange(this);
  AfterUserStep();
}

TComboBox::TComboBox(TForm* owner, TControl* parent, std::u16string_view name)
    : TControl(owner, parent, name) {
  Items.SetDuplicates(TDuplicates::dupAccept);
}

int TComboBox::ItemIndex() const {
  if (FItemIndex >= Items.Count()) return -1;
  // An edited text no longer selects the item it came from.
  if (FItemIndex >= 0 && Style == csDropDown && Items[FItemIndex] != Text) return -1;
  return FItemIndex;
}

void TComboBox::SetItemIndex(int index) {
  if (index < -1 || index >= Items.Count()) index = -1;
  FItemIndex = index;
  Text = index >= 0 ? Items[index] : std::u16string();
}

void TComboBox::UserSetText(std::u16string_view text) {
  if (!CanFocus() || Style == csDropDownList) return;
  Text = text;
  FItemIndex = Items.IndexOf(text);
  if (OnChange) OnChange(this);
  AfterUserStep();
}

void TComboBox::UserSelect(int index) {
  if (!CanFocus() || index < 0 || index >= Items.Count()) return;
  SetItemIndex(index);
  if (OnChange) OnChange(this);
  AfterUserStep();
}

const std::u16string& TCheckListBox::Item(int index) const {
  Assert(index >= 0 && index < Count(), kSource);
  return FItems[static_cast<size_t>(index)].Text;
}

bool TCheckListBox::Checked(int index) const {
  Assert(index >= 0 && index < Count(), kSource);
  return FItems[static_cast<size_t>(index)].Checked;
}

void TCheckListBox::SetChecked(int index, bool checked) {
  Assert(index >= 0 && index < Count(), kSource);
  FItems[static_cast<size_t>(index)].Checked = checked;
}

int TCheckListBox::Add(std::u16string_view text) {
  auto at = FItems.end();
  if (Sorted)
    at = std::upper_bound(FItems.begin(), FItems.end(), text,
                          [](std::u16string_view value, const TItem& item) {
                            return AnsiCompareText(value, item.Text) < 0;
                          });
  at = FItems.insert(at, TItem{std::u16string(text), false});
  return static_cast<int>(at - FItems.begin());
}

void TCheckListBox::Delete(int index) {
  Assert(index >= 0 && index < Count(), kSource);
  FItems.erase(FItems.begin() + index);
}

std::u16string TCheckListBox::Text() const {
  std::u16string text;
  for (const TItem& item : FItems) text += item.Text + u"\r\n";
  return text;
}

// ----- pages

TTabSheet::TTabSheet(TForm* owner, TPageControl* pageControl, std::u16string_view name)
    : TControl(owner, pageControl, name), FPageControl(pageControl) {
  pageControl->FPages.push_back(this);
}

int TTabSheet::PageIndex() const {
  const auto& pages = FPageControl->FPages;
  return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

TTabSheet* TPageControl::Page(int index) const {
  Assert(index >= 0 && index < PageCount(), kSource);
  return FPages[static_cast<size_t>(index)];
}

void TPageControl::SetActivePage(TTabSheet* page) {
  FActivePage = page;
  if (page && page->OnShow) page->OnShow(page);
}

// ----- actions

void TAction::SetCaption(std::u16string_view caption) {
  FCaption = caption;
  for (TControl* client : FClients) client->Caption = FCaption;
}

void TAction::SetEnabled(bool enabled) {
  FEnabled = enabled;
  for (TControl* client : FClients) client->Enabled = enabled;
}

bool TAction::Execute() {
  if (!FEnabled) return false;
  if (OnExecute) OnExecute(this);
  return true;
}

void TAction::Update() {
  if (OnUpdate) OnUpdate(this);
}

bool TOpenDialog::Execute() {
  return WizardDialogs().ExecuteOpenDialog(*this);
}

// ----- TForm

TForm::TForm(std::u16string_view name) : TControl(nullptr, nullptr, name) {}

TForm::~TForm() = default;

TComponent* TForm::FindComponent(std::u16string_view name) const {
  for (TComponent* component : FComponents)
    if (component->Name() == name) return component;
  return nullptr;
}

TModalResult TForm::ShowModal() {
  FModalResult = mrNone;
  if (OnShow) OnShow(this);
  UpdateActions();
  WizardDialogs().ShowModal(*this);
  if (FModalResult == mrNone) FModalResult = mrCancel;
  if (OnClose) OnClose(this);
  return FModalResult;
}

void TForm::UpdateActions() {
  for (TActionList* list : FActionLists)
    for (TAction* action : list->Actions()) action->Update();
}

}  // namespace zan
