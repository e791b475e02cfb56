// Whether the files a run is about to change hold work that git has not
// recorded: a run refuses them, as a commit is what lets the user review
// the run's changes and undo them (`--allow-dirty` runs all the same).
//
// git is asked directly (`git status --porcelain -z`, started with an
// argument vector, never through a shell, with the paths taken literally),
// and only when a ".git" lies in the folder or above it: a tree outside git
// costs no process at all, and a machine without git skips the check.
#pragma once

#include <string>
#include <vector>

namespace zan::cli {

struct TGitCheck {
  /// One of the files holding uncommitted work, and how: "modified" (in the
  /// work tree), "staged" (in the index only) or "untracked".
  struct TDirtyFile {
    std::u16string Path;  // as it was given
    std::string State;
  };
  /// A ".git" lies in the folder or above it.
  bool UnderGit = false;
  /// Why git could not answer (not installed, or it failed: its message);
  /// empty when it did, or when the folder is not under git.
  std::string Problem;
  /// True when `Problem` is that git is not installed.
  bool GitMissing = false;
  std::vector<TDirtyFile> Dirty;
};

/// Checks `files` (absolute paths; those outside the work tree that holds
/// `folder` are passed over) against git: modified or staged since the last
/// commit, or untracked. Never raises; what went wrong is in `Problem`.
TGitCheck CheckGitStatus(const std::u16string& folder, const std::vector<std::u16string>& files);

}  // namespace zan::cli
