#include "engine/UserRulesReport.h"

#include <unordered_set>

#include "rtl/Strings.h"

namespace zan {

void DescribeUserRules(const TUserRules& rules, TRunReport& report) {
  report.UserRules.clear();
  for (const TUserRuleEntry& entry : rules.Entries())
    report.UserRules.push_back({entry.File, entry.Line, entry.Text, 0});
}

void CountAppliedUserRules(const TUserRules& rules, const std::vector<TWorkItem>& work,
                           TRunReport& report) {
  auto count = [&](int rule) { ++report.UserRules.at(static_cast<size_t>(rule)).Applied; };
  std::unordered_set<std::u16string> changedForms;
  for (const TWorkItem& item : work) {
    if (!item.Changed) continue;
    if (!item.IsUnit) changedForms.insert(item.Path);
    for (int rule : item.UserRules) count(rule);
  }
  for (const TRunReport::TFormObjectEntry& object : report.FormObjects) {
    if (!changedForms.contains(object.FileName)) continue;
    for (int rule : object.UserRules) count(rule);
    if (!object.Converted) continue;
    for (const TUserTargetClass& target : rules.TargetClasses())
      if (AnsiSameText(target.Name, object.NewClassName)) count(target.Rule);
  }
}

}  // namespace zan
