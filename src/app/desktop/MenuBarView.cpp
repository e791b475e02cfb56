#include "app/desktop/MenuBarView.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <memory>

#include "app/desktop/ExceptionGuard.h"
#include "app/desktop/QtText.h"

namespace zan {

namespace {

QAction* MakeAction(QObject* owner, const std::shared_ptr<TMenuItem>& item, QWidget* errorParent) {
  auto* action = new QAction(ToQString(item->Caption), owner);
  action->setObjectName(ToQString(item->Name));
  // The model item may go away (the plug-in unloads): the action then does nothing.
  std::weak_ptr<TMenuItem> weak = item;
  QObject::connect(action, &QAction::triggered, action, [weak, errorParent] {
    if (auto target = weak.lock()) RunGuarded(errorParent, [&] { target->Click(); });
  });
  return action;
}

void FillMenu(QMenu& menu, const TMenuItem& parent, QWidget* errorParent) {
  for (const auto& item : parent.Items) {
    if (item->Caption == u"-") {
      menu.addSeparator();
    } else if (!item->Items.empty()) {
      QMenu* sub = menu.addMenu(ToQString(item->Caption));
      sub->setObjectName(ToQString(item->Name));
      FillMenu(*sub, *item, errorParent);
    } else {
      menu.addAction(MakeAction(&menu, item, errorParent));
    }
  }
}

}  // namespace

void ShowMainMenu(QMenuBar& bar, const TMainMenu& menu, QWidget* errorParent) {
  const QList<QAction*> old = bar.actions();
  for (QAction* action : old) {
    bar.removeAction(action);
    if (QMenu* sub = action->menu())
      sub->deleteLater();
    else
      action->deleteLater();
  }
  for (const auto& item : menu.Items) {
    if (item->Items.empty() && item->OnClick) {
      bar.addAction(MakeAction(&bar, item, errorParent));
      continue;
    }
    auto* sub = new QMenu(ToQString(item->Caption), &bar);
    sub->setObjectName(ToQString(item->Name));
    FillMenu(*sub, *item, errorParent);
    bar.addMenu(sub);
  }
}

}  // namespace zan
