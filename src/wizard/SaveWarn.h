// The save warning: the Yes/No confirmation before a replace over the open
// project and before a restore, with a box that stops it being asked again.
#pragma once

#include <string>
#include <string_view>

#include "wizard/Controls.h"

namespace zan {

/// TSaveWarnForm: the dialog itself; ShowSaveWarning fills, shows and frees it.
class TSaveWarnForm : public TForm {
 public:
  TSaveWarnForm();

  TImage Image1{this, this, u"Image1"};
  TLabel lblWarn{this, this, u"lblWarn"};
  TLabel Label2{this, this, u"Label2"};
  TLabel lblNote{this, this, u"lblNote"};
  TCheckBox chkDontAsk{this, this, u"chkDontAsk"};
  TBevel Bevel1{this, this, u"Bevel1"};
  TButton OKBtn{this, this, u"OKBtn"};
  TButton CancelBtn{this, this, u"CancelBtn"};

  /// Puts the system's question icon into Image1.
  void FormCreate(TComponent* sender);
};

/// Asks before a run unless the user said not to ask again. The answer is
/// remembered per kind of run under "Software\Kestova\<productName>", value
/// ReplaceProjWarn / ReplaceDirWarn / RestoreProjWarn / RestoreDirWarn in
/// `section`: Yes with "Don't ask me this again" ticked stores false (the
/// dialog is not shown again), Yes without it stores true; No stores nothing.
/// True means go on.
bool ShowSaveWarning(std::u16string_view section, bool isProject, std::u16string_view productName,
                     bool isRestore);

}  // namespace zan
