// The warnings a run draws from the form objects it converted, and the
// --strict check that turns any warning into a failed run.
#pragma once

#include "engine/phases/RunState.h"

namespace zan {

/// A strict run that met a warning; raised before anything is published.
class ERunStrict : public Exception {
 public:
  using Exception::Exception;
};

/// After the forms are converted: one warning for each object left
/// unconverted, for each connection definition an object names that was not
/// found, and one for all database names a folder run dropped (a project run
/// links data sets to their database).
void WarnAboutFormObjects(TRunState& state);

/// With the context's Strict set, raises ERunStrict naming the first warning
/// of the run when there is one.
void CheckStrict(const TRunState& state);

}  // namespace zan
