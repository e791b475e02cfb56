// The phase of a replace run that replaces the originals by their changed
// files from the temporary folder (each replacement atomic: a rename where
// one file system holds both, else a copy beside the original renamed over it).
#pragma once

#include "engine/RunState.h"

namespace zan {

/// Replaces every changed original. Goes on past a failure and returns false
/// when any replacement failed (the reason goes to the report).
bool PublishChangedFiles(TRunState& state);

}  // namespace zan
