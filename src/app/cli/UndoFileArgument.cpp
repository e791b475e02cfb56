#include "app/cli/UndoFileArgument.h"

#include "engine/files/FileUtils.h"
#include "engine/report/RExpertRes.h"
#include "rtl/SysUtils.h"

namespace zan::cli {

namespace {

constexpr std::u16string_view sNoUndoFileInFolder =
    u"No undo file in folder \"%s\": neither \"%s\" nor \"%s\" exists.";

}  // namespace

std::u16string ResolveUndoFile(TFileSystem& fs, const std::u16string& path) {
  if (!fs.IsFolder(path)) {
    if (!fs.IsFile(path)) throw EFileError(res::Fmt(res::sUndoFileMissing, {path}));
    return path;
  }
  const std::u16string inRunFolder =
      JoinPath(JoinPath(path, res::sBackupFolderName), res::sUndoFileName);
  if (fs.IsFile(inRunFolder)) return inRunFolder;
  const std::u16string inBackupFolder = JoinPath(path, res::sUndoFileName);
  if (fs.IsFile(inBackupFolder)) return inBackupFolder;
  throw EFileError(res::Fmt(sNoUndoFileInFolder, {path, inRunFolder, inBackupFolder}));
}

}  // namespace zan::cli
