// The forms at the end of a run's work list, converted on two threads at once.
//
// Units name their forms, so the work list ends with the forms the units
// discovered. Once the run reaches them nothing more is added, and each form
// is converted on its own: two lanes (threads with a form step each) read,
// convert, check and write them into the temporary folder, and the run's own
// thread takes their outcomes in list order and does everything else there
// (log lines, the busy indicator, the report). So the log, the report and
// the first error are exactly those of a run that converts the forms one by
// one. The lanes only read the run's lookup; they never touch the run state.
#pragma once

#include <cstddef>

#include "engine/phases/RunState.h"

namespace zan {

class TFormFileStep;
class TFormLookup;

/// When the forms from `first` on are at least a few, the context allows
/// lanes and two threads can convert them at once (a file system that
/// allows it, a second processor, a step that can be cloned): converts them
/// so, records the number of lanes in the report and returns true.
/// Otherwise does nothing and returns false.
bool ConvertFormsInLanes(TRunState& state, const TFormFileStep& step, const TFormLookup& lookup,
                         size_t first);

}  // namespace zan
