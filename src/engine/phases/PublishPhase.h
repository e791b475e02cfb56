// The phase of a replace run that replaces the originals by their changed
// files from the temporary folder (each replacement atomic: a rename where
// one file system holds both, else a copy beside the original renamed over it).
//
// All or nothing: the free room on every file system the run writes is
// checked before the first backup, every original is checked to be
// replaceable before the first is replaced, and when a replacement still
// fails the originals already replaced are put back, together with the undo
// file and the manifest as they were.
//
// Putting back needs no room where the file system has hard links: before
// publishing, each original (and the undo file and manifest) gets a second
// name on its own file system, in the temporary folder when that is on the
// same one, else in a private folder ".zanmig-XXXXXX" beside it; a rollback
// renames it back. Where no second name can be made, the original is put
// back from this run's backup or from a copy kept in the temporary folder.
#pragma once

#include <string>

#include "engine/phases/RunState.h"

namespace zan {

/// Publishing failed and some originals that were replaced could not be put
/// back: the message names them and the undo file that restores them.
class EPublishIncomplete : public Exception {
 public:
  using Exception::Exception;
};

/// Raises EFileError, before anything is written beside the originals, when
/// a file system the run still writes (the originals', the backup folder's,
/// `logFolder`'s when not empty) has less room than the run needs there:
/// the converted files copied beside their originals, backups copied, the
/// undo file, the manifest and the log, plus a tenth and a margin of a few MB.
void CheckFreeSpace(TRunState& state, const std::u16string& logFolder);

/// Gives each changed original, and the undo file and manifest that exist,
/// a second name for putting them back (see above). Raises only when an
/// original can be kept neither so nor by a copy.
void KeepOriginalsReachable(TRunState& state);

/// Replaces every changed original. Raises EFileError naming the file when
/// an original cannot be replaced (no original changed then), or
/// EPublishIncomplete when putting back failed too.
void PublishChangedFiles(TRunState& state);

/// Removes the folders that held the second names. Never raises.
void RemovePutBackFolders(TRunState& state);

}  // namespace zan
