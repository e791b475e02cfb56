#include "engine/phases/UnitRewritePhase.h"

#include "engine/catalogue/ReplaceOptions.h"
#include "engine/files/FileUtils.h"
#include "engine/files/TextFile.h"
#include "engine/phases/FormInheritance.h"
#include "engine/phases/RunResults.h"
#include "engine/phases/RunScope.h"
#include "engine/report/RExpertRes.h"
#include "engine/report/RunReport.h"
#include "engine/rewrite/FormContent.h"
#include "engine/rewrite/FormFileStep.h"
#include "engine/rewrite/SourceRewriter.h"
#include "ide/FileCase.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

constexpr std::u16string_view kNotAForm =
    u"File \"%s\" named in \"%s\" is not a form; it is left as it is.";
constexpr std::u16string_view kFormOutsideFolder =
    u"Form file \"%s\" is outside the scanned folder \"%s\"; it is left as it is.";

/// Whether a folder run may convert `fileName`: a form a unit names with
/// ".." can lie outside the scanned tree, which such a run never changes.
bool InsideScannedFolder(const TRunState& state, const std::u16string& fileName) {
  return !state.FolderScope() ||
         fileName.starts_with(IncludeTrailingPathDelimiter(state.Options.Directory));
}

/// False when `fileName` can be read, is not form data and declares no
/// object of a source class; a file that cannot be read is left for the form
/// phase to report, and so is one that declares such an object: its unit
/// must not be converted while it keeps the source class.
bool NamesAForm(TRunState& state, const std::u16string& fileName) {
  std::string bytes;
  if (!state.Fs.Read(fileName, bytes) || IsFormContent(bytes)) return true;
  const TFormLookup lookup(state.Replacer, state.Results.DatabaseNames, state.Context.UserRules);
  return FindSourceClassObject(lookup, bytes).has_value();
}

/// Appends the form `fileName` that a unit names to the work list.
void AddDiscoveredForm(TRunState& state, const std::u16string& fileName, size_t unit) {
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
  TWorkItem form{fileName, relPath, false};
  form.NamedBy = unit;
  state.Work.push_back(std::move(form));
}

/// Finds the forms `names` that the unit `unitFile` names and appends them
/// to the work list. When one of them must be left as it is (a link, a file
/// outside the scanned folder), the unit must be too, so that unit and forms
/// agree: then nothing is appended and the result is false.
bool DiscoverForms(TRunState& state, size_t unit, const std::vector<TResourceName>& names) {
  const std::u16string unitFile = state.Work[unit].Path;
  std::vector<std::u16string> forms;
  for (const TResourceName& name : names) {
    const std::u16string candidate = ResourceCandidate(unitFile, name);
    const std::u16string found = FindFileIgnoringCase(state.Fs, candidate, &state.FolderListings);
    // The listing of its folder tells what the file is; a link is asked about.
    const TFolderEntry* entry =
        found.empty() ? nullptr : state.FolderListings.Entry(state.Fs, found);
    const bool known = entry && !entry->IsLink;
    if (found.empty() || !(known ? !entry->IsFolder : state.Fs.IsFile(found))) {
      state.Warn(res::Fmt(res::sFormFileMissing, {candidate, unitFile}));
    } else if (const std::u16string why = known ? WhyFileIsLeft(found, false, entry->IsSpecial)
                                                : WhyFileIsLeft(state.Fs, found);
               !why.empty()) {
      state.Warn(why);
      state.Warn(res::Fmt(res::sUnitLeftForItsForm, {unitFile, found}));
      return false;
    } else if (!InsideScannedFolder(state, found)) {
      state.Warn(res::Fmt(kFormOutsideFolder, {found, state.Options.Directory}));
      state.Warn(res::Fmt(res::sUnitLeftForItsForm, {unitFile, found}));
      return false;
    } else if (!NamesAForm(state, found)) {
      state.Warn(res::Fmt(kNotAForm, {found, unitFile}));
    } else {
      forms.push_back(found);
    }
  }
  for (const std::u16string& form : forms) AddDiscoveredForm(state, form, unit);
  return true;
}

}  // namespace

void RewriteUnits(TRunState& state) {
  TSourceRewriter rewriter(state.Replacer, state.Context.UserRules);
  rewriter.SetCancelled(state.Context.Cancelled);
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
    if (state.Families) state.Families->NoteScopeUnit(state, i, text);
    TSourceRewrite rewrite = rewriter.Rewrite(text);
    if (!DiscoverForms(state, i, rewrite.ResourceNames)) rewrite = {};
    state.LogChangeCount(rewrite.Changes);
    if (rewrite.Changed)
      state.WriteChanged(state.Work[i],
                         EncodeTextFile(rewrite.Text, encoding, unit.Path, codePage));
    state.RecordFile(state.Work[i], rewrite.Changes, rewrite.Changed);
    state.Work[i].UserRules = std::move(rewrite.UserRules);
  }
}

}  // namespace zan
