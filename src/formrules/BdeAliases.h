// BDE aliases for the conversion of TDatabase objects: the user's list of the
// aliases the BDE administrator knows, an INI file with one section per alias
// (doc/connections.md describes it).
#pragma once

#include <map>
#include <string>
#include <string_view>

#include "rtl/SysUtils.h"

namespace zan {

class TFileSystem;

/// A mistake in the alias file: the message starts with "FILE:LINE: ".
class EBdeAliasError : public Exception {
 public:
  using Exception::Exception;
};

/// What one alias says about its database; empty texts where it says nothing.
struct TBdeAlias {
  std::u16string Provider;  // the target's provider name, from TYPE
  std::u16string Server;
  std::u16string Database;
  std::u16string Username;
  std::u16string Password;
};

/// The target's provider name of a BDE driver name (an alias's TYPE or a
/// TDatabase's DriverName, any letter case); empty for drivers without one.
std::u16string_view BdeDriverProvider(std::u16string_view driver);

/// The aliases of an alias file, looked up without regard to letter case.
class TBdeAliases {
 public:
  /// Reads `fileName` (UTF-8 with or without its byte-order mark, else the
  /// ANSI code page `codePage`) through `fs`. Throws EBdeAliasError naming the file and
  /// the line for: a line that is neither "[ALIAS]", "NAME=VALUE", a comment
  /// (";" or "#") nor blank; a value before the first alias; an alias named
  /// twice; a parameter named twice in one alias; an empty TYPE. A TYPE of
  /// a driver without a counterpart gives no provider. An unreadable file
  /// throws EBdeAliasError naming it.
  static TBdeAliases Read(TFileSystem& fs, const std::u16string& fileName, int codePage);
  /// Reads the text of a file named `fileName` (for the messages).
  static TBdeAliases Parse(std::u16string_view text, std::u16string_view fileName);

  /// The alias `name`, or nullptr.
  const TBdeAlias* Find(std::u16string_view name) const;
  size_t Count() const { return FAliases.size(); }

 private:
  std::map<std::u16string, TBdeAlias> FAliases;  // by upper-case name
};

}  // namespace zan
