#include "engine/phases/RunWarnings.h"

#include "engine/report/RExpertRes.h"
#include "engine/report/RunReport.h"
#include "formrules/RuleUtils.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

constexpr std::u16string_view kObjectLeft = u"%s: %s (%s) was not converted: %s";
constexpr std::u16string_view kNoConnectionDefFile =
    u"%s: %s names the connection definition \"%s\", but no connection definition file was "
    u"given (--connection-defs); its connection settings were not carried over.";
constexpr std::u16string_view kConnectionDefMissing =
    u"%s: %s names the connection definition \"%s\", which \"%s\" does not hold; its connection "
    u"settings were not carried over.";
constexpr std::u16string_view kDatabaseNamesDropped =
    u"%s DatabaseName value(s) were dropped (the first: %s: %s); a run with --project links "
    u"data sets to their database (Connection = Module.Database).";
constexpr std::u16string_view kMasterDetailLost =
    u"%s: %s loses %s = %s of its master-detail link: %s has no such property; set the "
    u"detail's key fields by hand.";
// The properties through which data sets store a master-detail link, and
// those that name the key fields of such a link.
constexpr std::u16string_view kMasterLinks[] = {u"DataSource", u"MasterSource"};
constexpr std::u16string_view kMasterDetailKeys[] = {u"MasterFields", u"DetailFields",
                                                     u"IndexFieldNames", u"IndexName"};
constexpr std::u16string_view kDisconnected =
    u"%s: %s would connect to nothing when its form loads: it is written %s = False; %s.";
constexpr std::u16string_view kStrictFailed =
    u"--strict: the run met %s warning(s) and changed nothing; the first: %s";

}  // namespace

void WarnAboutFormObjects(TRunState& state) {
  const TRunReport& report = *state.Context.Report;
  const std::u16string& defFile = state.Context.ConnectionDefFileName;
  int droppedNames = 0;
  const TRunReport::TFormObjectEntry* firstDropped = nullptr;
  // Warn appends to the report's warnings, not to its objects: indexes stay valid.
  for (size_t i = 0; i < report.FormObjects.size(); ++i) {
    const TRunReport::TFormObjectEntry& object = report.FormObjects[i];
    if (!object.Converted)
      state.Warn(res::Fmt(kObjectLeft,
                          {object.FileName, object.ObjectName, object.ClassName, object.Reason}));
    for (const std::u16string& definition : object.MissingConnectionDefs)
      state.Warn(
          defFile.empty()
              ? res::Fmt(kNoConnectionDefFile, {object.FileName, object.ObjectName, definition})
              : res::Fmt(kConnectionDefMissing,
                         {object.FileName, object.ObjectName, definition, defFile}));
    for (const TRunReport::TFormObjectEntry::TDisconnected& d : object.Disconnected)
      state.Warn(
          res::Fmt(kDisconnected, {object.FileName, object.ObjectName, d.Property, d.Action}));
    for (const TRunReport::TProperty& dropped : object.DroppedValues) {
      if (AnsiSameText(dropped.Name, u"DatabaseName")) {
        ++droppedNames;
        if (!firstDropped) firstDropped = &object;
      }
      // The link itself, or the key fields of a detail that keeps its link.
      if (IsOneOf(dropped.Name, kMasterLinks) ||
          (object.HasMasterLink && IsOneOf(dropped.Name, kMasterDetailKeys)))
        state.Warn(res::Fmt(kMasterDetailLost, {object.FileName, object.ObjectName, dropped.Name,
                                                dropped.Value, object.NewClassName}));
    }
  }
  if (state.FolderScope() && firstDropped)
    state.Warn(res::Fmt(kDatabaseNamesDropped, {IntToStr(droppedNames), firstDropped->FileName,
                                                firstDropped->ObjectName}));
}

void CheckStrict(const TRunState& state) {
  const TRunReport& report = *state.Context.Report;
  if (!state.Context.Strict || report.Warnings.empty()) return;
  throw ERunStrict(res::Fmt(
      kStrictFailed, {IntToStr(static_cast<int>(report.Warnings.size())), report.Warnings[0]}));
}

}  // namespace zan
