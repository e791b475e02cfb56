#include "engine/PublishPhase.h"

#include "engine/FileUtils.h"
#include "engine/RExpertRes.h"
#include "engine/ReplaceOptions.h"
#include "engine/RunReport.h"
#include "engine/RunResults.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"

namespace zan {

bool PublishChangedFiles(TRunState& state) {
  if (state.Results.ChangedFilesCount > 0) state.Log.WriteLine(res::sReplacingOriginals);
  TFileSystem& fs = state.Fs;
  if (state.FolderScope()) return MoveFolderTree(state.TempFolder, state.Options.Directory, fs);
  bool result = true;
  for (const TWorkItem& item : state.Work) {
    const std::u16string changed = JoinPath(state.TempFolder, ExtractFileName(item.Path));
    if (!fs.IsFile(changed)) continue;
    if (TFileStatus status = fs.MoveFile(changed, item.Path); !status) {
      result = false;
      if (state.Context.Report)
        state.Context.Report->Errors.push_back(Utf8ToUtf16(status.Message()));
    }
  }
  return result;
}

}  // namespace zan
