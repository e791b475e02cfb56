#include "engine/Replacer.h"

#include <utility>

#include "engine/ReplaceRun.h"
#include "engine/RestoreRun.h"
#include "ide/HostServices.h"
#include "ide/IDEUtils.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Encoding.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan {

namespace {

/// The index of a source class's target in FNewComps, carried by FOldComps.
class TPairIndex : public TObject {
 public:
  explicit TPairIndex(int index) : Index(index) {}
  int Index;
};

}  // namespace

TComponentReplacer::TComponentReplacer(std::u16string_view oldUsesUnit,
                                       std::u16string_view newUsesList,
                                       TReplaceOptions& replaceOptions)
    : FNewUsesList(newUsesList),
      FReplaceOptions(replaceOptions),
      FLog(std::make_unique<TLogWriter>()),
      FFormFileStep(std::make_unique<TFormFileStep>()) {
  FOldComps.SetSorted(true);
  const std::u16string units = AnsiUpperCase(oldUsesUnit);
  size_t start = 0;
  while (true) {
    size_t comma = units.find(u',', start);
    FOldUsesList.Add(std::u16string_view(units).substr(
        start, comma == std::u16string::npos ? std::u16string::npos : comma - start));
    if (comma == std::u16string::npos) break;
    start = comma + 1;
  }
  FOldUsesList.SetSorted(true);
}

TComponentReplacer::~TComponentReplacer() = default;

std::u16string TComponentReplacer::ReplaceClassName(const std::u16string&,
                                                    const std::u16string& newName) {
  return newName;
}

std::u16string TComponentReplacer::GetNewClassName(const std::u16string& name) {
  const std::u16string* target = FindNewClassName(name);
  return target ? ReplaceClassName(name, *target) : name;
}

void TComponentReplacer::AddReplacePair(std::u16string_view oldComp, std::u16string_view newComp) {
  const int index = FNewComps.Add(newComp);
  FOldComps.AddObject(oldComp, std::make_unique<TPairIndex>(index));
  // The first pair for a name wins, as in the sorted list above.
  FPairIndex.Add(oldComp, index);
}

void TComponentReplacer::ClearPairs() {
  FNewComps.Clear();
  FOldComps.Clear();
  FPairIndex.Clear();
}

const std::u16string* TComponentReplacer::FindNewClassName(std::u16string_view name) const {
  const int index = FPairIndex.Find(name);
  return index < 0 ? nullptr : &FNewComps[index];
}

std::u16string TComponentReplacer::DoGetPropertyValue(const std::u16string& propName,
                                                      const std::u16string& oldPropValue) {
  return FormLookup().GetPropertyValue(propName, oldPropValue);
}

void TComponentReplacer::SetFormFileStep(std::unique_ptr<TFormFileStep> step) {
  FFormFileStep = step ? std::move(step) : std::make_unique<TFormFileStep>();
}

// ----- the front end

TFileSystem& TComponentReplacer::FileSystem() const {
  return FFileSystem ? *FFileSystem : CurrentFileSystem();
}

TRunContext TComponentReplacer::FrontEndContext() {
  TRunContext context;
  context.FileSystem = &FileSystem();
  context.Log = FLog.get();
  context.Busy = &BusyIndicator();
  context.Shell = &Shell();
  context.Project = TIDEUtils::GetActiveProject();
  context.Report = FReport;
  context.DryRun = FDryRun;
  context.ClassRegistry = FClassRegistry ? FClassRegistry : &TClassRegistry::Global();
  context.CodePage = AnsiCodePage();
  context.ConnectionDefFileName = FReplaceOptions.ConnectionDefFileName;
  context.DriverConfFileName = FReplaceOptions.DriverConfFileName;
  context.AliasFileName = FReplaceOptions.AliasFileName;
  context.UserRules = FUserRules;
  return context;
}

bool TComponentReplacer::PerformReplace() {
  // The wizard hands the selected units over as lines of bare names.
  TStringList lines;
  lines.SetText(FReplaceOptions.ModuleList);
  std::vector<std::u16string> selected;
  for (int i = 0; i < lines.Count(); ++i) selected.push_back(lines[i]);
  return PerformReplace(FrontEndContext(), std::move(selected));
}

bool TComponentReplacer::PerformRestore(const std::u16string& undoFile) {
  TRunContext context;
  context.FileSystem = &FileSystem();
  context.CodePage = AnsiCodePage();
  return RestoreFromUndoFile(context, undoFile);
}

bool TComponentReplacer::PerformReplace(const TRunContext& context,
                                        std::vector<std::u16string> selectedUnits) {
  TReplaceRun run(*this, FReplaceOptions, context, FResults, std::move(selectedUnits));
  return run.Execute();
}

}  // namespace zan
