// The user's form rules: their look-ups, and the form parser's steps that
// apply them (step 0 of TZanFormParser::ConvertProperty, and the constant
// properties once an object is read).
#include "formrules/UserFormRules.h"

#include <unordered_set>

#include "formrules/ZanFormParser.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

std::u16string PropertyKey(std::u16string_view className, std::u16string_view name) {
  return AnsiLowerCase(className) + u"|" + AnsiLowerCase(name);
}

}  // namespace

void TUserFormRules::BuildIndex() {
  FPairIndex.clear();
  FPropertyIndex.clear();
  FSetIndex.clear();
  // emplace keeps the first entry for a key: the first rule in file order wins.
  for (size_t i = 0; i < Pairs.size(); ++i) FPairIndex.emplace(AnsiLowerCase(Pairs[i].Source), i);
  for (size_t i = 0; i < Properties.size(); ++i)
    FPropertyIndex.emplace(PropertyKey(Properties[i].ClassName, Properties[i].Name), i);
  for (size_t i = 0; i < Sets.size(); ++i) FSetIndex[AnsiLowerCase(Sets[i].ClassName)].push_back(i);
}

const TUserClassPair* TUserFormRules::FindPair(std::u16string_view sourceClass) const {
  if (FPairIndex.empty()) return nullptr;
  const auto found = FPairIndex.find(AnsiLowerCase(sourceClass));
  return found == FPairIndex.end() ? nullptr : &Pairs[found->second];
}

const TUserPropertyRule* TUserFormRules::FindPropertyRule(std::u16string_view className,
                                                          std::u16string_view name) const {
  if (FPropertyIndex.empty()) return nullptr;
  auto found = FPropertyIndex.find(PropertyKey(className, name));
  if (found == FPropertyIndex.end()) found = FPropertyIndex.find(PropertyKey(kEveryClass, name));
  return found == FPropertyIndex.end() ? nullptr : &Properties[found->second];
}

std::vector<const TUserSetRule*> TUserFormRules::SetRulesOf(std::u16string_view className) const {
  std::vector<const TUserSetRule*> found;
  if (FSetIndex.empty()) return found;
  for (const std::u16string& key : {AnsiLowerCase(className), std::u16string(kEveryClass)})
    if (const auto group = FSetIndex.find(key); group != FSetIndex.end())
      for (size_t i : group->second) found.push_back(&Sets[i]);
  return found;
}

// ----- the form parser's part

const TZanFormParser::TObjectUserRules& TZanFormParser::ObjectUserRules() {
  if (!FObjectRules.Ready) {
    const std::u16string typeName = FormState().TypeName();
    FObjectRules.Pair = FUserRules->FindPair(typeName);
    FObjectRules.TypeName = typeName;
    FObjectRules.Sets = FUserRules->SetRulesOf(typeName);
    FObjectRules.Ready = true;
  }
  return FObjectRules;
}

bool TZanFormParser::ConvertUserProperty(const std::u16string& PropName,
                                         const std::u16string& PropValue) {
  const TUserPropertyRule* rule =
      FUserRules->FindPropertyRule(ObjectUserRules().TypeName, PropName);
  if (!rule) return false;
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
  std::unordered_set<int> seen;
  auto add = [&](int rule) {
    if (seen.insert(rule).second) rules.push_back(rule);
  };
  if (FObjectRules.Pair) add(FObjectRules.Pair->Rule);
  for (const auto& [pos, rule] : FUserRuleHits) add(rule);
  for (int rule : FSetHits) add(rule);
  return rules;
}

}  // namespace zan
