#include "engine/phases/FormPhase.h"

#include "engine/catalogue/Replacer.h"
#include "engine/phases/FormLanes.h"
#include "engine/phases/RunResults.h"
#include "engine/report/RunReport.h"
#include "engine/rewrite/FormFileStep.h"

namespace zan {

size_t FirstForm(const std::vector<TWorkItem>& work) {
  size_t first = 0;
  while (first < work.size() && work[first].IsUnit) ++first;
  return first;
}

void CollectDatabaseNames(TRunState& state, TFormFileStep& step) {
  for (size_t i = FirstForm(state.Work); i < state.Work.size(); ++i) {
    state.CheckCancelled();
    const std::u16string& form = state.Work[i].Path;
    step.CollectDatabaseNames(state.Results.DatabaseNames, form, state.Fs.ReadFile(form));
  }
}

void ConvertForms(TRunState& state, TFormFileStep& step) {
  const size_t first = FirstForm(state.Work);
  const TFormLookup lookup(state.Replacer, state.Results.DatabaseNames, state.Context.UserRules);
  if (ConvertFormsInLanes(state, step, lookup, first)) return;
  for (size_t i = first; i < state.Work.size(); ++i) {
    state.CheckCancelled();
    TWorkItem& form = state.Work[i];
    state.BeginFile(form);
    TFormFileStep::TResult result;
    try {
      const std::string bytes = state.Fs.ReadFile(form.Path);
      result = step.ProcessFormFile(lookup, form.Path, bytes, state.Context.Report);
      if (result.Changes > 0 && result.Encode) result.Bytes = result.Encode();
    } catch (...) {
      state.FormFailed(form, std::current_exception());
      state.RecordFile(form, 0, false);
      continue;
    }
    state.LogChangeCount(result.Changes);
    if (result.Changes > 0) state.WriteChanged(form, result.Bytes);
    state.RecordFile(form, result.Changes, result.Changes > 0);
  }
}

}  // namespace zan
