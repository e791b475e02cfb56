#include "engine/report/RunReport.h"

#include <nlohmann/json.hpp>

#include "rtl/Strings.h"

namespace zan {

void TRunReport::Clear() {
  TRunReport fresh;
  fresh.ToolVersion = std::move(ToolVersion);
  fresh.Library = std::move(Library);
  fresh.DryRun = DryRun;
  fresh.Options = std::move(Options);
  *this = std::move(fresh);
}

int TRunReport::ChangedFileCount() const {
  int count = 0;
  for (const TFileEntry& file : Files)
    if (file.Changed) ++count;
  return count;
}

std::string TRunReport::ToJson() const {
  using nlohmann::ordered_json;
  auto u8 = [](const std::u16string& text) { return Utf16ToUtf8(text); };
  auto text = [&](const std::u16string& value) {
    return value.empty() ? ordered_json(nullptr) : ordered_json(u8(value));
  };
  auto property = [&](const TProperty& prop) {
    return ordered_json{{"name", u8(prop.Name)}, {"value", u8(prop.Value)}};
  };
  auto properties = [&](const std::vector<TProperty>& props) {
    ordered_json list = ordered_json::array();
    for (const TProperty& prop : props) list.push_back(property(prop));
    return list;
  };
  ordered_json doc;
  doc["schemaVersion"] = kSchemaVersion;
  doc["toolVersion"] = u8(ToolVersion);
  doc["startTime"] = text(StartTime);
  doc["rootFolder"] = text(RootFolder);
  doc["library"] = u8(Library);
  doc["dryRun"] = DryRun;
  ordered_json units = ordered_json::array();
  for (const std::u16string& unit : Options.Units) units.push_back(u8(unit));
  doc["options"] = {{"library", u8(Library)},
                    {"scope", Options.ProjectScope ? "project" : "folder"},
                    {"folder", text(Options.Folder)},
                    {"recursive", Options.Recursive},
                    {"project", text(Options.Project)},
                    {"units", units},
                    {"backups", Options.Backups},
                    {"backupFolder", text(Options.BackupFolder)},
                    {"log", Options.Log},
                    {"dryRun", DryRun},
                    {"keepGoing", Options.KeepGoing},
                    {"strict", Options.Strict},
                    {"followUses", Options.FollowUses}};
  doc["completed"] = Completed;
  doc["result"] = Result;
  ordered_json files = ordered_json::array();
  for (const TFileEntry& file : Files) {
    ordered_json entry = {
        {"file", u8(file.FileName)}, {"changes", file.Changes}, {"changed", file.Changed}};
    if (!file.Reason.empty()) entry["reason"] = u8(file.Reason);
    files.push_back(std::move(entry));
  }
  doc["filesProcessed"] = files.size();
  doc["filesChanged"] = ChangedFileCount();
  doc["files"] = files;
  ordered_json objects = ordered_json::array();
  for (const TFormObjectEntry& object : FormObjects) {
    ordered_json entry = {{"file", u8(object.FileName)},
                          {"object", u8(object.ObjectName)},
                          {"class", u8(object.ClassName)},
                          {"newClass", u8(object.NewClassName)},
                          {"converted", object.Converted}};
    if (!object.Converted) entry["reason"] = u8(object.Reason);
    ordered_json dropped = ordered_json::array();
    for (const std::u16string& name : object.DroppedProperties) dropped.push_back(u8(name));
    entry["droppedProperties"] = dropped;
    entry["droppedValues"] = properties(object.DroppedValues);
    ordered_json renamed = ordered_json::array();
    for (const TRenamedProperty& rename : object.Renamed)
      renamed.push_back({{"old", property(rename.Old)}, {"new", properties(rename.New)}});
    entry["renamedProperties"] = renamed;
    entry["addedProperties"] = properties(object.Added);
    if (!object.UserRules.empty()) {
      ordered_json applied = ordered_json::array();
      for (int rule : object.UserRules) {
        const TUserRuleEntry& used = UserRules.at(static_cast<size_t>(rule));
        applied.push_back(u8(used.File) + ":" + std::to_string(used.Line));
      }
      entry["userRules"] = applied;
    }
    objects.push_back(entry);
  }
  doc["formObjects"] = objects;
  if (!UserRules.empty()) {
    ordered_json rules = ordered_json::array();
    for (const TUserRuleEntry& rule : UserRules)
      rules.push_back({{"file", u8(rule.File)},
                       {"line", rule.Line},
                       {"rule", u8(rule.Rule)},
                       {"applied", rule.Applied}});
    doc["userRules"] = rules;
  }
  ordered_json backups = ordered_json::array();
  for (const TBackupEntry& backup : Backups)
    backups.push_back({{"original", u8(backup.Original)}, {"backup", u8(backup.Backup)}});
  doc["backups"] = backups;
  doc["undoFile"] = UndoFile.empty() ? ordered_json(nullptr) : ordered_json(u8(UndoFile));
  doc["logFile"] = LogFile.empty() ? ordered_json(nullptr) : ordered_json(u8(LogFile));
  ordered_json errors = ordered_json::array();
  for (const std::u16string& error : Errors) errors.push_back(u8(error));
  doc["errors"] = errors;
  ordered_json warnings = ordered_json::array();
  for (const std::u16string& warning : Warnings) warnings.push_back(u8(warning));
  doc["warnings"] = warnings;
  ordered_json left = ordered_json::array();
  for (const TLeftFile& file : LeftFiles)
    left.push_back({{"file", u8(file.FileName)}, {"reason", u8(file.Reason)}});
  doc["leftFiles"] = left;
  ordered_json todo = ordered_json::array();
  for (const TTodoItem& item : Todo)
    todo.push_back({{"kind", u8(item.Kind)},
                    {"file", u8(item.FileName)},
                    {"line", item.Line},
                    {"column", item.Column},
                    {"count", item.Count},
                    {"what", u8(item.What)},
                    {"action", u8(item.Action)}});
  doc["todo"] = todo;
  ordered_json fixes = ordered_json::array();
  for (const TCodeFix& fix : CodeFixes)
    fixes.push_back({{"file", u8(fix.FileName)},
                     {"line", fix.Line},
                     {"column", fix.Column},
                     {"before", u8(fix.Before)},
                     {"after", u8(fix.After)}});
  doc["codeFixes"] = fixes;
  doc["formLanes"] = FormLanes;
  return doc.dump(2) + "\n";
}

}  // namespace zan
