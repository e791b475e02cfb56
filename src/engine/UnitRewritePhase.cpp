#include "engine/UnitRewritePhase.h"

#include "engine/FileUtils.h"
#include "engine/RExpertRes.h"
#include "engine/ReplaceOptions.h"
#include "engine/RunReport.h"
#include "engine/RunScope.h"
#include "engine/SourceRewriter.h"
#include "engine/TextFile.h"
#include "ide/FileCase.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

/// Appends the form `fileName` that a unit names to the work list.
void AddDiscoveredForm(TRunState& state, const std::u16string& fileName) {
  std::u16string relPath = ExtractFileName(fileName);
  if (state.FolderScope()) {
    relPath = RelativeToFolder(state.Options.Directory, fileName);
  } else {
    // The flat temporary and backup folders of a project run cannot take two
    // different files of one name.
    for (const TWorkItem& item : state.Work)
      if (item.Path != fileName && AnsiSameText(ExtractFileName(item.Path), relPath))
        throw Exception(res::Fmt(res::sSameBareName, {item.Path, fileName}));
  }
  state.Work.push_back({fileName, relPath, false});
}

/// Finds the forms `names` that the unit `unitFile` names.
void DiscoverForms(TRunState& state, const std::u16string& unitFile,
                   const std::vector<TResourceName>& names) {
  for (const TResourceName& name : names) {
    const std::u16string candidate = ResourceCandidate(unitFile, name);
    const std::u16string found = FindFileIgnoringCase(state.Fs, candidate, &state.FolderListings);
    if (!found.empty() && state.Fs.IsFile(found)) {
      AddDiscoveredForm(state, found);
    } else {
      const std::u16string warning = res::Fmt(res::sFormFileMissing, {candidate, unitFile});
      state.Log.WriteLine(warning);
      if (state.Context.Report) state.Context.Report->Warnings.push_back(warning);
    }
  }
}

}  // namespace

void RewriteUnits(TRunState& state) {
  TSourceRewriter rewriter(state.Replacer);
  const int codePage = state.Context.CodePage;
  // Discovered forms are appended behind the units: stop at the first form.
  for (size_t i = 0; i < state.Work.size() && state.Work[i].IsUnit; ++i) {
    state.CheckCancelled();
    // Copied: discovering forms appends to the list.
    const TWorkItem unit = state.Work[i];
    state.BeginFile(unit);
    const std::string bytes = state.Fs.ReadFile(unit.Path);
    TTextEncoding encoding;
    const std::u16string text = ReadTextFile(bytes, encoding, unit.Path, codePage);
    const TSourceRewrite rewrite = rewriter.Rewrite(text);
    DiscoverForms(state, unit.Path, rewrite.ResourceNames);
    state.LogChangeCount(rewrite.Changes);
    if (rewrite.Changed)
      state.Fs.WriteFile(state.TempPathOf(unit),
                         EncodeTextFile(rewrite.Text, encoding, unit.Path, codePage));
    state.RecordFile(state.Work[i], rewrite.Changes, rewrite.Changed);
  }
}

}  // namespace zan
