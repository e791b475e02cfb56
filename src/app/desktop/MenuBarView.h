// The IDE's main menu (a TMainMenu model that the host and the plug-in fill)
// shown as a Qt menu bar. Each item becomes a menu or an action named like
// the item; "-" is a separator. Choosing an action clicks the model item, and
// whatever the click throws is shown in an error box.
#pragma once

#include "ide/ToolsAPI.h"

class QMenuBar;
class QWidget;

namespace zan {

/// Replaces the contents of `bar` with `menu`. Old menus are deleted later,
/// so this may run while one of their actions is being triggered.
/// `errorParent` parents the error box of a failed click.
void ShowMainMenu(QMenuBar& bar, const TMainMenu& menu, QWidget* errorParent);

}  // namespace zan
