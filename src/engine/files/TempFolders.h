// The private folders a replace run makes: its temporary folder
// "zanmig-XXXXXX" in the user's temporary folder, and the folders beside the
// originals that keep them reachable while they are replaced
// (".zanmig-XXXXXX", PublishPhase.h). XXXXXX is six lower-case letters or
// digits, so that no shell reads the name as anything but a name.
//
// A run holds the lock of its temporary folder (TFileSystem::LockFolder)
// for as long as the folder lives, so that another run can tell a folder
// whose run is alive from one a killed run left behind.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zan {

class TFileSystem;

/// Whether `name` is exactly "zanmig-" followed by six lower-case letters or digits.
bool IsTempFolderName(std::u16string_view name);

/// Makes a private folder `prefix` + six random letters or digits in
/// `parent` and returns its path; empty when none could be made.
std::u16string MakeRandomPrivateFolder(TFileSystem& fs, const std::u16string& parent,
                                       std::u16string_view prefix);

/// Removes the temporary folders of runs that ended without removing them:
/// the entries of `tempRoot` named like a run's temporary folder that are
/// folders (never a link), owned by this user, last modified an hour or more
/// before `now` (seconds since 1970), and whose lock can be taken (no run
/// holds it). Links inside are removed as links, never followed. Never
/// raises; returns the number of folders removed.
int RemoveDeadTempFolders(TFileSystem& fs, const std::u16string& tempRoot, int64_t now);

}  // namespace zan
