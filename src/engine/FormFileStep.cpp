#include "engine/FormFileStep.h"

namespace zan {

TFormFileStep::TResult TFormFileStep::ProcessFormFile(TComponentReplacer&, const std::u16string&,
                                                      const std::string&) {
  return {};
}

std::unique_ptr<TFormFileStep> TFormFileStep::CloneForLane(TRunReport*) const {
  return nullptr;
}

void TFormFileStep::CollectDatabaseNames(TComponentReplacer&, const std::u16string&,
                                         const std::string&) {}

void TFormFileStep::SetConfigFiles(const std::u16string&, const std::u16string&) {}

}  // namespace zan
