// The checking helper of the rule tests: converts one object text with the
// conversion rules and dumps what the converted object carries.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "formrules/ZanFormParser.h"

namespace zan {
class TFileSystem;
}

namespace zan::test {

/// The outcome of one conversion.
struct TConverted {
  bool Parsed = false;
  /// One line per output entry, "Name = line1|line2|...", each value line
  /// trimmed; entries joined by "\n".
  std::string Dump;
  /// The regenerated object (MakeObject).
  std::u16string Text;
  /// The user rules applied to it.
  std::vector<int> UserRules;
  /// What the report would show as dropped: "Name = value" (value lines
  /// joined by "|"), entries joined by "\n".
  std::string Dropped;
  /// The properties written False because the object would connect to
  /// nothing: "Property: action", joined by "\n".
  std::string Disconnected;
};

/// What the conversion is given besides the object text.
struct TConvertSetup {
  std::map<std::u16string, std::u16string> Aliases;  // database name -> connection
  std::u16string ConnectionDefFileName;
  std::u16string DriverConfFileName;
  TFileSystem* FileSystem = nullptr;         // where the connection-definition files are read
  const TClassRegistry* Registry = nullptr;  // nullptr: the process's registry
  std::string_view Keyword = "object";       // the header's: object, inherited, inline
  const TUserFormRules* UserRules = nullptr;
  const TBdeAliases* BdeAliases = nullptr;
};

/// Builds "<keyword> Obj1: <sourceClass>", the property lines of `props`
/// ("\n" between lines, each indented two blanks) and "end", with CRLF or LF
/// line ends, and converts it into `targetClass`.
TConverted Convert(std::string_view sourceClass, std::string_view targetClass,
                   std::string_view props, const TConvertSetup& setup = {}, bool lf = false);

/// The dump of the entries of a parser's output list.
std::string DumpOutput(const TFormParser& parser);

/// Converts with CRLF and with LF line ends, expects the same dump `expected`
/// from both, and checks that the regenerated object is valid form text that
/// reads back to the same entries.
void ExpectConverted(std::string_view sourceClass, std::string_view targetClass,
                     std::string_view props, std::string_view expected,
                     const TConvertSetup& setup = {});

/// One table row for ExpectConverted.
struct TConvertCase {
  const char* Source;
  const char* Target;
  const char* Props;
  const char* Expected;
};

inline std::ostream& operator<<(std::ostream& os, const TConvertCase& c) {
  return os << c.Source << " { " << c.Props << " }";
}

}  // namespace zan::test
