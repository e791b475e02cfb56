#include "wizard/SaveWarn.h"

#include "rtl/RegIniFile.h"
#include "wizard/Dialogs.h"
#include "wizard/WizardRes.h"

namespace zan {

TSaveWarnForm::TSaveWarnForm() : TForm(u"SaveWarnForm") {
  Caption = res::sWizardDesignCaption;
  // Wide enough for the longest question, the restore one, with room to
  // spare for fonts a little wider than the one the layout was made with.
  ClientWidth = 322;
  ClientHeight = 143;
  Position = poScreenCenter;

  Image1.SetBounds(7, 15, 30, 30);
  Image1.Transparent = true;
  lblWarn.Caption = res::sSaveWarnQuestion;
  lblWarn.AutoSize = false;
  lblWarn.SetBounds(54, 24, 255, 13);
  Label2.Caption = res::sNoteLabel;
  Label2.SetBounds(7, 52, 26, 13);
  lblNote.Caption = u"lblNote";
  lblNote.SetBounds(40, 52, 270, 13);
  chkDontAsk.Caption = res::sDontAsk;
  chkDontAsk.SetBounds(7, 74, 157, 16);
  chkDontAsk.Checked = false;
  Bevel1.Shape = TBevel::bsTopLine;
  Bevel1.SetBounds(5, 98, 312, 2);
  OKBtn.Caption = res::sYes;
  OKBtn.SetBounds(79, 111, 76, 24);
  OKBtn.Default = true;
  OKBtn.ModalResult = mrYes;
  CancelBtn.Caption = res::sNo;
  CancelBtn.SetBounds(163, 111, 75, 24);
  CancelBtn.Cancel = true;
  CancelBtn.ModalResult = mrNo;
  OKBtn.TabOrder = 0;
  CancelBtn.TabOrder = 1;
  chkDontAsk.TabOrder = 2;

  FormCreate(this);
}

void TSaveWarnForm::FormCreate(TComponent*) {
  Image1.StockIcon = TImage::siQuestion;
}

bool ShowSaveWarning(std::u16string_view section, bool isProject, std::u16string_view productName,
                     bool isRestore) {
  bool result = true;
  std::u16string_view valueName;
  if (isProject)
    valueName = isRestore ? res::sValRestoreProjWarn : res::sValReplaceProjWarn;
  else
    valueName = isRestore ? res::sValRestoreDirWarn : res::sValReplaceDirWarn;
  TRegIniFile registry(std::u16string(res::sRegistryKeyBase) + u"\\" + std::u16string(productName));
  if (registry.ReadBool(section, valueName, true)) {
    TSaveWarnForm form;
    form.Caption = MessageBoxTitle(productName, section);
    form.lblNote.Caption = !isRestore && isProject ? res::sFormsHidden : res::sProjectClosed;
    form.lblWarn.Caption = isRestore ? res::sRestoreQuestion : res::sSaveQuestion;
    if (form.ShowModal() == mrYes)
      registry.WriteBool(section, valueName, !form.chkDontAsk.Checked);
    else
      result = false;
  }
  return result;
}

}  // namespace zan
