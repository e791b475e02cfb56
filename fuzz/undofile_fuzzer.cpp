// layer: engine
// Feeds arbitrary bytes to the undo-file reader and the restore planner over
// an in-memory tree that holds a few originals and backups. Either they
// read the file or throw a zan::Exception; a plan is never carried out
// unless every entry passed its checks, and what it restores comes only
// from inside the backup folder.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/files/UndoFile.h"
#include "engine/restore/RestoreRun.h"
#include "rtl/SysUtils.h"
#include "support/MemoryFileSystem.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  zan::TMemoryFileSystem fs;
  fs.AddFile(u"/w/A.pas", "new A");
  fs.AddFile(u"/w/x=y.pas", "new X");
  fs.AddFile(u"/bk/A.~pas", "old A");
  fs.AddFile(u"/bk/x=y.~pas", "old X");
  fs.AddFile(u"/elsewhere/A.~pas", "not a backup");
  fs.AddFile(u"/bk/RExpert.reu", bytes);
  try {
    (void)zan::DecodeUndoFile(bytes, u"/bk/RExpert.reu", 1252);
    const zan::TRestorePlan plan = zan::PlanRestore(fs, u"/bk/RExpert.reu", false);
    const zan::TRestoreOutcome outcome = zan::ExecuteRestore(fs, u"/bk/RExpert.reu", plan);
    if (!plan.CanRestore() && !outcome.Restored.empty()) __builtin_trap();
    for (const auto& item : plan.Items)
      if (plan.CanRestore() && !item.Entry.Backup.starts_with(u"/bk/")) __builtin_trap();
    if (fs.Contents(u"/elsewhere/A.~pas") != "not a backup") __builtin_trap();
  } catch (const zan::Exception&) {
  }
  return 0;
}
