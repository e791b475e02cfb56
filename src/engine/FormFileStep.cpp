#include "engine/FormFileStep.h"

#include "engine/Replacer.h"
#include "engine/UserRules.h"
#include "rtl/StringList.h"
#include "rtl/SysUtils.h"

namespace zan {

const std::u16string* TFormLookup::FindNewClassName(std::u16string_view name) const {
  const std::u16string* target = FReplacer.FindNewClassName(name);
  if (!target && FUserRules) target = FUserRules->FindTarget(name);
  return target;
}

std::u16string TFormLookup::GetPropertyValue(const std::u16string& propName,
                                             const std::u16string& oldPropValue) const {
  Assert(propName == u"DatabaseName", "MigWizard\\Replacer");
  return FDatabaseNames.Values(oldPropValue);
}

void TFormFileStep::Prepare(const TRunContext&) {}

TFormFileStep::TResult TFormFileStep::ProcessFormFile(const TFormLookup&, const std::u16string&,
                                                      const std::string&, TRunReport*) {
  return {};
}

std::unique_ptr<TFormFileStep> TFormFileStep::CloneForLane() const {
  return nullptr;
}

void TFormFileStep::CollectDatabaseNames(TStringList&, const std::u16string&, const std::string&) {}

}  // namespace zan
