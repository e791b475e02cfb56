// The phase of a replace run that rewrites the units: each unit of the work
// list is read, rewritten (SourceRewriter.h) and, when its text changed,
// written into the temporary folder in the encoding it was read in. The
// forms its resource directives name are appended to the work list; a form
// that is not there is a warning, not an error (units often name a form for
// another platform in a conditional directive).
#pragma once

#include "engine/phases/RunState.h"

namespace zan {

/// Rewrites every unit of `state.Work` (the units come first in it).
void RewriteUnits(TRunState& state);

}  // namespace zan
