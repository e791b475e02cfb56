#include "engine/phases/RunState.h"

#include <unordered_set>

#include "engine/catalogue/ReplaceOptions.h"
#include "engine/catalogue/Replacer.h"
#include "engine/files/FileUtils.h"
#include "engine/files/PublishManifest.h"
#include "engine/phases/FormInheritance.h"
#include "engine/phases/RunResults.h"
#include "engine/report/RExpertRes.h"
#include "engine/report/RunReport.h"
#include "ide/HostServices.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

constexpr std::u16string_view kFamilyLeft =
    u"it belongs to one family of inherited forms or frames with \"%s\", which is left as it "
    u"was: their objects must match";

}  // namespace

TRunState::TRunState(TComponentReplacer& replacer, const TReplaceOptions& options,
                     const TRunContext& context, TLogWriter& log, TRunResults& results)
    : Replacer(replacer),
      Options(options),
      Context(context),
      Fs(*context.FileSystem),
      Log(log),
      Results(results) {}

bool TRunState::FolderScope() const {
  return Options.Dest == sdDirectory;
}

std::u16string TRunState::TempPathOf(const TWorkItem& item) {
  const std::u16string folder = JoinPath(TempFolder, ExtractFilePath(item.RelPath));
  // A folder that cannot be made shows in the write that follows.
  (void)MadeFolders.Force(Fs, TempFolder, folder, false);
  return JoinPath(folder, ExtractFileName(item.Path));
}

void TRunState::WriteChanged(TWorkItem& item, std::string_view bytes) {
  item.TempPath = TempPathOf(item);
  Fs.WriteFile(item.TempPath, bytes);
  item.Size = bytes.size();
  item.Hash = ContentHash(bytes);
}

void TRunState::BeginFile(const TWorkItem& item) {
  Log.WriteLine(res::Fmt(res::sProcessingFile, {item.Path}));
  if (Context.Busy) Context.Busy->Step(item.Path);
}

void TRunState::Warn(const std::u16string& warning) {
  Log.WriteLine(warning);
  if (Context.Report) Context.Report->Warnings.push_back(warning);
}

void TRunState::LogChangeCount(int changeCount) {
  if (changeCount == 0)
    Log.WriteLine(res::sNoChanges);
  else
    Log.WriteLine(IntToStr(changeCount) + std::u16string(res::sChanges));
}

void TRunState::RecordFile(TWorkItem& item, int changes, bool changed) {
  item.Changes = changes;
  item.Changed = changed;
  if (changed) ++Results.ChangedFilesCount;
  if (Context.Report) Context.Report->Files.push_back({item.Path, changes, changed, item.Reason});
}

void TRunState::FormFailed(const TWorkItem& form, const std::exception_ptr& why) {
  if (!Context.KeepGoing) std::rethrow_exception(why);
  try {
    std::rethrow_exception(why);
  } catch (const ERunCancelled&) {
    throw;  // an interrupt stops the run, it fails no form
  } catch (const Exception& e) {
    FailedForms.emplace_back(form.Path, e.Message());
  }
}

void TRunState::LeaveFailedForms() {
  if (FailedForms.empty()) return;
  std::unordered_set<std::u16string> leftForms;
  std::unordered_set<size_t> leftUnits;
  for (const auto& [path, reason] : FailedForms) leftForms.insert(path);
  // A unit is left with each of its forms, a form with each unit naming it,
  // and a form with its ancestors and descendants (whose inherited objects
  // would otherwise no longer match).
  std::vector<size_t> family;
  for (bool familyTaken = false;;) {
    for (size_t before = 0; before != leftForms.size() + leftUnits.size();) {
      before = leftForms.size() + leftUnits.size();
      for (const TWorkItem& item : Work)
        if (!item.IsUnit && leftForms.contains(item.Path)) leftUnits.insert(item.NamedBy);
      for (const TWorkItem& item : Work)
        if (!item.IsUnit && leftUnits.contains(item.NamedBy)) leftForms.insert(item.Path);
    }
    if (familyTaken) break;
    familyTaken = true;
    family = ScopeFamilyOf(*this, std::vector<size_t>(leftUnits.begin(), leftUnits.end()));
    if (family.empty()) break;
    leftUnits.insert(family.begin(), family.end());
  }
  TRunReport* report = Context.Report;
  for (size_t i = 0; i < Work.size(); ++i) {
    TWorkItem& item = Work[i];
    const bool left = item.IsUnit ? leftUnits.contains(i) : leftForms.contains(item.Path);
    if (!left) continue;
    if (item.Changed) --Results.ChangedFilesCount;
    item.Changed = false;
    if (report)
      for (TRunReport::TFileEntry& entry : report->Files)
        if (entry.FileName == item.Path) entry.Changed = false;
  }
  // The objects of a form left as it is were not converted, whatever the
  // form step made of them in the temporary folder.
  if (report)
    std::erase_if(report->FormObjects, [&](const TRunReport::TFormObjectEntry& object) {
      return leftForms.contains(object.FileName);
    });
  for (const auto& [path, reason] : FailedForms) {
    std::u16string units;
    for (const TWorkItem& item : Work)
      if (!item.IsUnit && item.Path == path)
        units += (units.empty() ? u"\"" : u", \"") + Work[item.NamedBy].Path + u"\"";
    Warn(res::Fmt(res::sFormLeft, {path, units, reason}));
    if (report) report->LeftFiles.push_back({path, reason});
  }
  // The forms of the family, each named with the first form that failed.
  for (size_t unit : family)
    for (const TWorkItem& item : Work)
      if (!item.IsUnit && item.NamedBy == unit) {
        const std::u16string reason = res::Fmt(kFamilyLeft, {FailedForms.front().first});
        Warn(res::Fmt(res::sFormLeft, {item.Path, u"\"" + Work[unit].Path + u"\"", reason}));
        if (report) report->LeftFiles.push_back({item.Path, reason});
      }
}

void TRunState::CheckCancelled() const {
  if (Context.IsCancelled()) throw ERunCancelled(std::u16string(res::sRunInterrupted));
}

}  // namespace zan
