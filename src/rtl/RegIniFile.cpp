// TRegIniFile and TIniFile over SimpleIni. SimpleIni is used header-only, in
// its plain UTF-8 form (no conversion library), with its implementation
// compiled into this file.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include "rtl/RegIniFile.h"

#include <climits>
#include <cstdlib>

#include "rtl/Encoding.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan {

namespace {

/// The key the settings file stands for.
constexpr std::u16string_view kProductKey = u"Software\\Kestova\\Zanthe";

std::u16string gSettingsOverride;

using TSimpleIni = CSimpleIniA;

std::string Utf8(std::u16string_view text) {
  return Utf16ToUtf8(text);
}

/// Reads a whole file; a missing file (or folder) gives empty text.
std::string ReadIfPresent(TFileSystem& fs, std::u16string_view fileName) {
  std::string bytes;
  if (fileName.empty()) return bytes;
  TFileStatus status = fs.Read(fileName, bytes);
  if (status.Code() == TFileErrorCode::NotFound) return {};
  status.Check();
  return bytes;
}

/// Ini text in any of the encodings met in the wild, as UTF-8.
/// The text of an ini file as UTF-8; bytes that are not UTF-8 are read in
/// the ANSI code page `codePage` (0: the process's, for the settings).
std::string IniTextToUtf8(std::string_view bytes, int codePage = 0) {
  if (bytes.starts_with(kUtf16LEBom))
    return Utf16ToUtf8(Utf16LEToUnicode(bytes.substr(kUtf16LEBom.size())));
  if (bytes.starts_with(kUtf8Bom)) bytes.remove_prefix(kUtf8Bom.size());
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return Utf16ToUtf8(AnsiToUnicode(bytes, codePage));
}

void Load(TSimpleIni& ini, const std::string& utf8, std::u16string_view fileName) {
  ini.Reset();
  if (ini.LoadData(utf8) < 0)
    throw EFileError(
        TFileStatus::Error(TFileOp::Read, TFileErrorCode::Other, fileName, {}, "Not an ini file")
            .Message());
}

/// Creates the folder and its missing parents (failures surface when the
/// file is written).
void MakeFolders(TFileSystem& fs, std::u16string_view folder) {
  for (size_t i = 1; i <= folder.size(); ++i) {
    if (i < folder.size() && folder[i] != PathDelim) continue;
    std::u16string_view prefix = folder.substr(0, i);
    if (!fs.IsFolder(prefix)) (void)fs.MakeFolder(prefix);
  }
}

bool NeedsQuotes(std::u16string_view value) {
  if (value.empty()) return false;
  if (value.front() <= u' ' || value.back() <= u' ' || value.front() == u'"') return true;
  return value.find_first_of(u"\r\n") != std::u16string_view::npos;
}

std::string EncodeValue(std::u16string_view value) {
  if (!NeedsQuotes(value)) return Utf8(value);
  std::u16string quoted = u"\"";
  for (char16_t ch : value) {
    switch (ch) {
      case u'\\':
        quoted += u"\\\\";
        break;
      case u'"':
        quoted += u"\\\"";
        break;
      case u'\r':
        quoted += u"\\r";
        break;
      case u'\n':
        quoted += u"\\n";
        break;
      default:
        quoted += ch;
    }
  }
  return Utf8(quoted + u"\"");
}

std::u16string DecodeValue(std::string_view stored) {
  std::u16string text = Utf8ToUtf16(stored);
  if (text.size() < 2 || text.front() != u'"' || text.back() != u'"') return text;
  std::u16string value;
  for (size_t i = 1; i + 1 < text.size(); ++i) {
    char16_t ch = text[i];
    if (ch == u'\\' && i + 2 < text.size()) {
      char16_t next = text[++i];
      value += next == u'r' ? u'\r' : next == u'n' ? u'\n' : next;
    } else {
      value += ch;
    }
  }
  return value;
}

int ToInteger(std::u16string_view text, int defaultValue) {
  int64_t value = 0;
  if (!TryStrToInt(Trim(text), value) || value < INT_MIN || value > INT_MAX) return defaultValue;
  return static_cast<int>(value);
}

bool ToBool(std::u16string_view text, bool defaultValue) {
  std::u16string trimmed = Trim(text);
  if (SameText(trimmed, u"True")) return true;
  if (SameText(trimmed, u"False")) return false;
  int64_t value = 0;
  return TryStrToInt(trimmed, value) ? value != 0 : defaultValue;
}

/// Names of a SimpleIni list in file order, without repeats.
template <typename List>
void AddInLoadOrder(List list, TStringList& strings) {
  list.sort(typename TSimpleIni::Entry::LoadOrder());
  for (const auto& entry : list) {
    std::u16string name = Utf8ToUtf16(entry.pItem);
    bool seen = false;
    for (int i = 0; i < strings.Count() && !seen; ++i) seen = SameText(strings[i], name);
    if (!seen) strings.Add(name);
  }
}

}  // namespace

// ----- TRegIniFile

class TRegIniFile::TImpl {
 public:
  TSimpleIni Ini{/*isUtf8=*/true, /*multiKey=*/false, /*multiLine=*/false};
};

TRegIniFile::TRegIniFile(std::u16string_view keyPath, std::u16string_view fileName, TFileSystem* fs)
    : FKeyPath(keyPath),
      FFileName(fileName.empty() ? SettingsFileName() : std::u16string(fileName)),
      FFileSystem(fs),
      FIni(std::make_unique<TImpl>()) {
  FIni->Ini.SetSpaces(false);
  TFileSystem& files = FFileSystem ? *FFileSystem : CurrentFileSystem();
  Load(FIni->Ini, IniTextToUtf8(ReadIfPresent(files, FFileName)), FFileName);
}

TRegIniFile::~TRegIniFile() = default;

std::string TRegIniFile::IniSection(std::u16string_view section) const {
  std::u16string_view key = FKeyPath;
  while (!key.empty() && key.back() == u'\\') key.remove_suffix(1);
  if (SameText(key, kProductKey)) return Utf8(section);
  if (key.size() > kProductKey.size() && key[kProductKey.size()] == u'\\' &&
      SameText(key.substr(0, kProductKey.size()), kProductKey))
    key.remove_prefix(kProductKey.size() + 1);
  return Utf8(std::u16string(key) + u"\\" + std::u16string(section));
}

template <typename Change>
void TRegIniFile::Store(Change change) {
  TFileSystem& files = FFileSystem ? *FFileSystem : CurrentFileSystem();
  auto fresh = std::make_unique<TImpl>();
  fresh->Ini.SetSpaces(false);
  Load(fresh->Ini, IniTextToUtf8(ReadIfPresent(files, FFileName)), FFileName);
  change(fresh->Ini);
  std::string text;
  fresh->Ini.Save(text);
  MakeFolders(files, ExtractFileDir(FFileName));
  files.WriteFileAtomic(FFileName, text);
  FIni = std::move(fresh);
}

std::u16string TRegIniFile::ReadString(std::u16string_view section, std::u16string_view ident,
                                       std::u16string_view defaultValue) const {
  const char* value = FIni->Ini.GetValue(IniSection(section).c_str(), Utf8(ident).c_str());
  return value ? DecodeValue(value) : std::u16string(defaultValue);
}

int TRegIniFile::ReadInteger(std::u16string_view section, std::u16string_view ident,
                             int defaultValue) const {
  if (!ValueExists(section, ident)) return defaultValue;
  return ToInteger(ReadString(section, ident, {}), defaultValue);
}

bool TRegIniFile::ReadBool(std::u16string_view section, std::u16string_view ident,
                           bool defaultValue) const {
  if (!ValueExists(section, ident)) return defaultValue;
  return ToBool(ReadString(section, ident, {}), defaultValue);
}

void TRegIniFile::WriteString(std::u16string_view section, std::u16string_view ident,
                              std::u16string_view value) {
  std::string iniSection = IniSection(section), key = Utf8(ident), stored = EncodeValue(value);
  Store([&](TSimpleIni& ini) { ini.SetValue(iniSection.c_str(), key.c_str(), stored.c_str()); });
}

void TRegIniFile::WriteInteger(std::u16string_view section, std::u16string_view ident, int value) {
  WriteString(section, ident, IntToStr(value));
}

void TRegIniFile::WriteBool(std::u16string_view section, std::u16string_view ident, bool value) {
  WriteString(section, ident, value ? u"1" : u"0");
}

bool TRegIniFile::SectionExists(std::u16string_view section) const {
  return FIni->Ini.GetSection(IniSection(section).c_str()) != nullptr;
}

bool TRegIniFile::ValueExists(std::u16string_view section, std::u16string_view ident) const {
  return FIni->Ini.GetValue(IniSection(section).c_str(), Utf8(ident).c_str()) != nullptr;
}

void TRegIniFile::DeleteKey(std::u16string_view section, std::u16string_view ident) {
  std::string iniSection = IniSection(section), key = Utf8(ident);
  Store([&](TSimpleIni& ini) { ini.Delete(iniSection.c_str(), key.c_str()); });
}

void TRegIniFile::EraseSection(std::u16string_view section) {
  std::string iniSection = IniSection(section);
  Store([&](TSimpleIni& ini) { ini.Delete(iniSection.c_str(), nullptr); });
}

std::u16string TRegIniFile::SettingsFileName() {
  if (!gSettingsOverride.empty()) return gSettingsOverride;
  if (const char* env = std::getenv("ZANMIG_SETTINGS"); env && *env) return Utf8ToUtf16(env);
  std::u16string configHome;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
    configHome = Utf8ToUtf16(xdg);
  else if (const char* home = std::getenv("HOME"); home && home[0] == '/')
    configHome = IncludeTrailingPathDelimiter(Utf8ToUtf16(home)) + u".config";
  if (configHome.empty()) return {};
  return IncludeTrailingPathDelimiter(configHome) + u"Kestova/Zanthe.ini";
}

void TRegIniFile::SetSettingsFileName(std::u16string_view fileName) {
  gSettingsOverride = fileName;
}

// ----- TIniFile

class TIniFile::TImpl {
 public:
  TSimpleIni Ini{/*isUtf8=*/true, /*multiKey=*/true, /*multiLine=*/false};
};

TIniFile::TIniFile(std::u16string_view fileName, TFileSystem& fs, int codePage)
    : FFileName(fileName), FIni(std::make_unique<TImpl>()) {
  FIni->Ini.SetQuotes(true);
  Load(FIni->Ini, IniTextToUtf8(ReadIfPresent(fs, FFileName), codePage), FFileName);
}

TIniFile::~TIniFile() = default;

std::u16string TIniFile::ReadString(std::u16string_view section, std::u16string_view ident,
                                    std::u16string_view defaultValue) const {
  const char* value = FIni->Ini.GetValue(Utf8(section).c_str(), Utf8(ident).c_str());
  return value ? Utf8ToUtf16(value) : std::u16string(defaultValue);
}

int TIniFile::ReadInteger(std::u16string_view section, std::u16string_view ident,
                          int defaultValue) const {
  if (!ValueExists(section, ident)) return defaultValue;
  return ToInteger(ReadString(section, ident, {}), defaultValue);
}

bool TIniFile::ReadBool(std::u16string_view section, std::u16string_view ident,
                        bool defaultValue) const {
  if (!ValueExists(section, ident)) return defaultValue;
  return ToBool(ReadString(section, ident, {}), defaultValue);
}

bool TIniFile::SectionExists(std::u16string_view section) const {
  return FIni->Ini.GetSection(Utf8(section).c_str()) != nullptr;
}

bool TIniFile::ValueExists(std::u16string_view section, std::u16string_view ident) const {
  return FIni->Ini.GetValue(Utf8(section).c_str(), Utf8(ident).c_str()) != nullptr;
}

void TIniFile::ReadSections(TStringList& strings) const {
  strings.Clear();
  TSimpleIni::TNamesDepend sections;
  FIni->Ini.GetAllSections(sections);
  AddInLoadOrder(sections, strings);
}

void TIniFile::ReadSection(std::u16string_view section, TStringList& strings) const {
  strings.Clear();
  TSimpleIni::TNamesDepend keys;
  FIni->Ini.GetAllKeys(Utf8(section).c_str(), keys);
  AddInLoadOrder(keys, strings);
}

void TIniFile::ReadSectionValues(std::u16string_view section, TStringList& strings) const {
  TStringList keys;
  ReadSection(section, keys);
  strings.Clear();
  for (int i = 0; i < keys.Count(); ++i)
    strings.Add(keys[i] + u"=" + ReadString(section, keys[i], {}));
}

}  // namespace zan
