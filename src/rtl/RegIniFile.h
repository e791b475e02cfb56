// Ini-style settings stores standing in for the host's TRegIniFile (the
// user's registry) and TIniFile (plain ini files), over SimpleIni and the
// file-system seam.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "rtl/FileSystem.h"
#include "rtl/StringList.h"

namespace zan {

/// TRegIniFile: the user's settings, in place of the registry key the caller
/// names ("Software\Kestova\Zanthe"). All keys live in one ini file, the
/// settings file (SettingsFileName()), which stands for the key
/// "Software\Kestova\Zanthe": for that key a section is stored under its own
/// name; a deeper key "Software\Kestova\Zanthe\Sub" gives the ini section
/// "Sub\<section>", any other key "<key>\<section>". Names compare without
/// regard to ASCII case, as the registry's do.
///
/// Every Write... stores at once, as the registry does: the file is read
/// again (so values written meanwhile by others survive), changed, and
/// replaced atomically; its folder is created when missing. A failed store
/// throws EFileError naming the file. A missing file reads as empty; an
/// existing file that cannot be read throws EFileError from the constructor.
/// Integers are stored in decimal, Booleans as 1 / 0 (True/False and any
/// integer are read too); a value that is not of the type asked for reads as
/// the default. Texts with line breaks, surrounding blanks or a leading quote
/// are stored quoted with \\, \", \r, \n escapes.
class TRegIniFile {
 public:
  /// `fileName` empty: SettingsFileName(). `fs` not owned; nullptr: CurrentFileSystem().
  explicit TRegIniFile(std::u16string_view keyPath, std::u16string_view fileName = {},
                       TFileSystem* fs = nullptr);
  ~TRegIniFile();
  TRegIniFile(const TRegIniFile&) = delete;
  TRegIniFile& operator=(const TRegIniFile&) = delete;

  std::u16string ReadString(std::u16string_view section, std::u16string_view ident,
                            std::u16string_view defaultValue) const;
  int ReadInteger(std::u16string_view section, std::u16string_view ident, int defaultValue) const;
  bool ReadBool(std::u16string_view section, std::u16string_view ident, bool defaultValue) const;
  void WriteString(std::u16string_view section, std::u16string_view ident,
                   std::u16string_view value);
  void WriteInteger(std::u16string_view section, std::u16string_view ident, int value);
  void WriteBool(std::u16string_view section, std::u16string_view ident, bool value);

  bool SectionExists(std::u16string_view section) const;
  bool ValueExists(std::u16string_view section, std::u16string_view ident) const;
  void DeleteKey(std::u16string_view section, std::u16string_view ident);
  void EraseSection(std::u16string_view section);

  const std::u16string& FileName() const { return FFileName; }
  const std::u16string& KeyPath() const { return FKeyPath; }

  /// The settings file: the one set with SetSettingsFileName (--settings),
  /// else $ZANMIG_SETTINGS, else ${XDG_CONFIG_HOME:-~/.config}/Kestova/Zanthe.ini
  /// (a relative XDG_CONFIG_HOME is ignored). Empty when none can be named.
  static std::u16string SettingsFileName();
  /// Overrides the settings file for the process (empty: no override).
  static void SetSettingsFileName(std::u16string_view fileName);

 private:
  class TImpl;
  std::string IniSection(std::u16string_view section) const;
  /// Reloads the file, applies `change`, stores the file.
  template <typename Change>
  void Store(Change change);

  std::u16string FKeyPath;
  std::u16string FFileName;
  TFileSystem* FFileSystem;
  std::unique_ptr<TImpl> FIni;
};

/// TIniFile for reading ini files such as connection definitions: names
/// compare without regard to ASCII case; sections and keys come in file
/// order; the first of duplicate keys wins; values lose surrounding blanks
/// and one pair of quotes. The text may be UTF-8 (with or without BOM),
/// UTF-16LE with BOM, or ANSI (in the code page the reader is given). A
/// missing file behaves as an empty one; an existing file that cannot be
/// read throws EFileError naming it.
class TIniFile {
 public:
  /// Reads `fileName` through `fs` (not kept).
  TIniFile(std::u16string_view fileName, TFileSystem& fs, int codePage);
  ~TIniFile();
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;

  std::u16string ReadString(std::u16string_view section, std::u16string_view ident,
                            std::u16string_view defaultValue) const;
  int ReadInteger(std::u16string_view section, std::u16string_view ident, int defaultValue) const;
  bool ReadBool(std::u16string_view section, std::u16string_view ident, bool defaultValue) const;
  bool SectionExists(std::u16string_view section) const;
  bool ValueExists(std::u16string_view section, std::u16string_view ident) const;
  /// Replace `strings` with the section names / the key names of a section /
  /// its name=value lines, in file order.
  void ReadSections(TStringList& strings) const;
  void ReadSection(std::u16string_view section, TStringList& strings) const;
  void ReadSectionValues(std::u16string_view section, TStringList& strings) const;

  const std::u16string& FileName() const { return FFileName; }

 private:
  class TImpl;
  std::u16string FFileName;
  std::unique_ptr<TImpl> FIni;
};

}  // namespace zan
