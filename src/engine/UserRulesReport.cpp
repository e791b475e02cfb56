#include "engine/UserRulesReport.h"

#include "rtl/Strings.h"

namespace zan {

void DescribeUserRules(const TUserRules& rules, TRunReport& report) {
  report.UserRules.clear();
  for (const TUserRuleEntry& entry : rules.Entries())
    report.UserRules.push_back({entry.File, entry.Line, entry.Text, 0});
}

void CountUserRulesInForms(const TUserRules& rules, TRunReport& report) {
  for (const TRunReport::TFormObjectEntry& object : report.FormObjects) {
    for (int rule : object.UserRules) ++report.UserRules.at(static_cast<size_t>(rule)).Applied;
    if (!object.Converted) continue;
    for (const TUserTargetClass& target : rules.TargetClasses())
      if (AnsiSameText(target.Name, object.NewClassName))
        ++report.UserRules.at(static_cast<size_t>(target.Rule)).Applied;
  }
}

}  // namespace zan
