#include "engine/catalogue/Replacer.h"

#include <utility>

#include "engine/RunContext.h"
#include "engine/RunPlan.h"
#include "engine/restore/RestoreRun.h"
#include "engine/rewrite/FormFileStep.h"
#include "ide/HostServices.h"
#include "ide/IDEUtils.h"
#include "rtl/ClassRegistry.h"
#include "rtl/Encoding.h"
#include "rtl/FileSystem.h"
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
    : FNewUsesList(newUsesList), FReplaceOptions(replaceOptions) {
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

TFormLookup TComponentReplacer::FormLookup(const TStringList& databaseNames) const {
  return TFormLookup(*this, databaseNames);
}

const TStringList& TComponentReplacer::NoDatabaseNames() {
  static const TStringList none;
  return none;
}

void TComponentReplacer::SetFormFileStepFactory(TFormFileStepFactory factory) {
  FFormStepFactory = std::move(factory);
}

std::unique_ptr<TFormFileStep> TComponentReplacer::MakeFormFileStep() const {
  if (FFormStepFactory)
    if (std::unique_ptr<TFormFileStep> step = FFormStepFactory()) return step;
  return std::make_unique<TFormFileStep>();
}

// ----- the front end

TRunContext TComponentReplacer::FrontEndContext() {
  TRunContext context;
  context.Replacer = this;
  context.FileSystem = &CurrentFileSystem();
  context.Busy = &BusyIndicator();
  context.Shell = &Shell();
  context.Project = TIDEUtils::GetActiveProject();
  context.ClassRegistry = &TClassRegistry::Global();
  context.CodePage = AnsiCodePage();
  context.ConnectionDefFileName = FReplaceOptions.ConnectionDefFileName;
  context.DriverConfFileName = FReplaceOptions.DriverConfFileName;
  context.AliasFileName = FReplaceOptions.AliasFileName;
  return context;
}

bool TComponentReplacer::PerformReplace() {
  TRunPlan plan = Plan(FrontEndContext(), TUnitSelection::FromLines(FReplaceOptions.ModuleList));
  return Execute(plan);
}

bool TComponentReplacer::PerformRestore(const std::u16string& undoFile) {
  TRunContext context;
  context.FileSystem = &CurrentFileSystem();
  context.CodePage = AnsiCodePage();
  return RestoreFromUndoFile(context, undoFile);
}

}  // namespace zan
