#include "engine/rules/UserRules.h"

#include "rtl/ClassRegistry.h"
#include "rtl/Strings.h"

namespace zan {

int TUserRules::AddEntry(std::u16string_view file, int line, std::u16string text) {
  FEntries.push_back({std::u16string(file), line, std::move(text)});
  return static_cast<int>(FEntries.size()) - 1;
}

std::u16string TUserRules::PlaceOf(int rule) const {
  const TUserRuleEntry& entry = FEntries.at(static_cast<size_t>(rule));
  return entry.File + u":" + IntToStr(entry.Line);
}

const std::u16string* TUserRules::FindTarget(std::u16string_view name) const {
  const int index = FPairIndex.Find(name);
  return index < 0 ? nullptr : &FForm.Pairs[static_cast<size_t>(index)].Target;
}

const TUserClassPair* TUserRules::FindPair(std::u16string_view name) const {
  const int index = FPairIndex.Find(name);
  return index < 0 ? nullptr : &FForm.Pairs[static_cast<size_t>(index)];
}

void TUserRules::RegisterTargetClasses(TClassRegistry& registry) const {
  for (const TUserTargetClass& target : FTargetClasses) {
    std::vector<std::u16string> inherited;
    if (!target.Inherits.empty()) {
      const TRegisteredClass* ancestor = registry.FindClass(target.Inherits);
      if (!ancestor)
        throw EUserRulesError(PlaceOf(target.Rule) + u": \"inherits\" names " + target.Inherits +
                              u", which is no registered class");
      inherited = ancestor->PublishedProperties();
    }
    TRegisteredClass& cls = registry.RegisterClass(target.Name);
    for (const std::u16string& name : inherited) cls.AddPublished(name);
    for (const std::u16string& name : target.Properties) cls.AddPublished(name);
  }
}

}  // namespace zan
