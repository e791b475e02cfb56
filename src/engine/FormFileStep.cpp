#include "engine/FormFileStep.h"

namespace zan {

TFormFileStep::TResult TFormFileStep::ProcessFormFile(TComponentReplacer&, const std::u16string&,
                                                      const std::string&) {
  return {};
}

void TFormFileStep::CollectDatabaseNames(TComponentReplacer&, const std::u16string&,
                                         const std::string&) {}

void TFormFileStep::SetConfigFiles(const std::u16string&, const std::u16string&) {}

}  // namespace zan
