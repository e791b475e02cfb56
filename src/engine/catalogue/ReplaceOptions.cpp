#include "engine/catalogue/ReplaceOptions.h"

#include "rtl/RegIniFile.h"

namespace zan {

TReplaceOptions::TReplaceOptions(std::u16string_view sourceName) : FSourceName(sourceName) {}

std::u16string TReplaceOptions::Caption() const {
  return FSourceName + std::u16string(sMigrationWizardSuffix);
}

void TReplaceOptions::LoadFromIniFile(const TRegIniFile& iniFile, std::u16string_view section) {
  // An out-of-range scope would select neither branch of a run; keep the current one.
  int dest = iniFile.ReadInteger(section, u"Dest", Dest);
  if (dest == sdProject || dest == sdDirectory) Dest = static_cast<TSearchDestination>(dest);
  Directory = iniFile.ReadString(section, u"Directory", Directory);
  IncludeSubDirs = iniFile.ReadBool(section, u"IncludeSubDirs", IncludeSubDirs);
  MakeBackup = iniFile.ReadBool(section, u"MakeBackup", MakeBackup);
  WriteLog = iniFile.ReadBool(section, u"WriteLog", WriteLog);
  ViewLog = iniFile.ReadBool(section, u"ViewLog", ViewLog);
}

void TReplaceOptions::SaveToIniFile(TRegIniFile& iniFile, std::u16string_view section) const {
  iniFile.WriteInteger(section, u"Dest", Dest);
  iniFile.WriteString(section, u"Directory", Directory);
  iniFile.WriteBool(section, u"IncludeSubDirs", IncludeSubDirs);
  iniFile.WriteBool(section, u"MakeBackup", MakeBackup);
  iniFile.WriteBool(section, u"WriteLog", WriteLog);
  iniFile.WriteBool(section, u"ViewLog", ViewLog);
}

}  // namespace zan
