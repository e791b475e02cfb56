// The phase of a replace run that replaces the originals by their changed
// files from the temporary folder (each replacement atomic: a rename where
// one file system holds both, else a copy beside the original renamed over it).
//
// All or nothing: every original is checked to be replaceable before the
// first is replaced, and when a replacement still fails the originals
// already replaced are put back (from their backups, or from copies taken
// for the purpose when the run makes none), together with the undo file and
// the manifest as they were.
#pragma once

#include "engine/RunState.h"

namespace zan {

/// Publishing failed and some originals that were replaced could not be put
/// back: the message names them and the undo file that restores them.
class EPublishIncomplete : public Exception {
 public:
  using Exception::Exception;
};

/// Replaces every changed original. Raises EFileError naming the file when
/// an original cannot be replaced (no original changed then), or
/// EPublishIncomplete when putting back failed too.
void PublishChangedFiles(TRunState& state);

}  // namespace zan
