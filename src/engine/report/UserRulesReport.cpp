#include "engine/report/UserRulesReport.h"

#include <unordered_map>
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
  std::unordered_map<std::u16string, std::vector<int>> targetRules;  // by folded class name
  for (const TUserTargetClass& target : rules.TargetClasses())
    targetRules[AnsiLowerCase(target.Name)].push_back(target.Rule);
  std::unordered_set<std::u16string> changedForms;
  for (const TWorkItem& item : work) {
    if (!item.Changed) continue;
    if (!item.IsUnit) changedForms.insert(item.Path);
    for (int rule : item.UserRules) count(rule);
  }
  for (const TRunReport::TFormObjectEntry& object : report.FormObjects) {
    if (!changedForms.contains(object.FileName)) continue;
    for (int rule : object.UserRules) count(rule);
    if (!object.Converted || targetRules.empty()) continue;
    if (const auto found = targetRules.find(AnsiLowerCase(object.NewClassName));
        found != targetRules.end())
      for (int rule : found->second) count(rule);
  }
}

}  // namespace zan
