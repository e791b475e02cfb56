// The phases of a replace run that read the forms the units named.
//
// In project scope a first pass collects which database component declares
// which database name, so that data sets can be linked to their connection.
// Then every form is converted: on two threads at once where the file system
// and the machine allow it (FormLanes.h), else one by one; either way the
// log, the report and the first error are those of converting them in turn.
#pragma once

#include "engine/phases/RunState.h"

namespace zan {

class TFormFileStep;

/// Records the database names the forms of `state.Work` declare in
/// `state.Results.DatabaseNames`.
void CollectDatabaseNames(TRunState& state, TFormFileStep& step);

/// Converts every form of `state.Work` with `step` into the temporary folder.
void ConvertForms(TRunState& state, TFormFileStep& step);

/// The index of the first form in `work` (its size when there is none).
size_t FirstForm(const std::vector<TWorkItem>& work);

}  // namespace zan
