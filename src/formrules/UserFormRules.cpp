// The user's form rules: their look-ups, and the form parser's steps that
// apply them (step 0 of TZanFormParser::ConvertProperty, and the constant
// properties once an object is read).
#include "formrules/UserFormRules.h"

#include <algorithm>

#include "formrules/ZanFormParser.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

/// The rules of `rules` for `className`, then those for "*".
template <typename TRule>
std::vector<const TRule*> RulesOf(const std::vector<TRule>& rules, std::u16string_view className) {
  std::vector<const TRule*> found;
  for (const TRule& rule : rules)
    if (AnsiSameText(rule.ClassName, className)) found.push_back(&rule);
  for (const TRule& rule : rules)
    if (rule.ClassName == kEveryClass) found.push_back(&rule);
  return found;
}

}  // namespace

const TUserClassPair* TUserFormRules::FindPair(std::u16string_view sourceClass) const {
  for (const TUserClassPair& pair : Pairs)
    if (AnsiSameText(pair.Source, sourceClass)) return &pair;
  return nullptr;
}

std::vector<const TUserPropertyRule*> TUserFormRules::PropertyRulesOf(
    std::u16string_view className) const {
  return RulesOf(Properties, className);
}

std::vector<const TUserSetRule*> TUserFormRules::SetRulesOf(std::u16string_view className) const {
  return RulesOf(Sets, className);
}

// ----- the form parser's part

const TZanFormParser::TObjectUserRules& TZanFormParser::ObjectUserRules() {
  if (!FObjectRules.Ready) {
    const std::u16string typeName = FormState().TypeName();
    FObjectRules.Pair = FUserRules->FindPair(typeName);
    FObjectRules.Properties = FUserRules->PropertyRulesOf(typeName);
    FObjectRules.Sets = FUserRules->SetRulesOf(typeName);
    FObjectRules.Ready = true;
  }
  return FObjectRules;
}

bool TZanFormParser::ConvertUserProperty(const std::u16string& PropName,
                                         const std::u16string& PropValue) {
  for (const TUserPropertyRule* rule : ObjectUserRules().Properties) {
    if (!AnsiSameText(rule->Name, PropName)) continue;
    FUserRuleHits[FormState().CurPos()] = rule->Rule;
    if (rule->Drop) return true;
    std::u16string_view value = PropValue;
    for (const auto& [from, to] : rule->Values)
      if (from == PropValue) {
        value = to;
        break;
      }
    AddProperty(rule->Rename, value);
    return true;
  }
  return false;
}

void TZanFormParser::ApplyUserSets() {
  // An inherited or inline object stores only what differs from its
  // ancestor: a constant there would override the ancestor's setting.
  if (StoresDifferencesOnly()) {
    ObjectUserRules();  // its pair is still reported
    return;
  }
  for (const TUserSetRule* rule : ObjectUserRules().Sets) {
    int index = -1;
    for (int i = 0; i < PropsCount() && index < 0; ++i)
      if (AnsiSameText(TFormParser::PropName(i), rule->Name)) index = i;
    if (index >= 0)
      SetPropValue(index, rule->Value);
    else
      AddProperty(rule->Name, rule->Value);
    FSetHits.push_back(rule->Rule);
  }
}

std::vector<int> TZanFormParser::AppliedUserRules() const {
  std::vector<int> rules;
  auto add = [&](int rule) {
    if (std::find(rules.begin(), rules.end(), rule) == rules.end()) rules.push_back(rule);
  };
  if (FObjectRules.Pair) add(FObjectRules.Pair->Rule);
  for (const auto& [pos, rule] : FUserRuleHits) add(rule);
  for (int rule : FSetHits) add(rule);
  return rules;
}

}  // namespace zan
