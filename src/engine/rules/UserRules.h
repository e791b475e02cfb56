// TUserRules: the rules of a run's rule files (`zanmig replace --rules FILE`,
// doc/rules.md), which extend the catalogue without rebuilding: class pairs,
// property rules, constant properties, `uses` edits and target classes.
//
// Whoever starts a run loads the files (every problem is found then, before
// anything is written) and hands the rules to the run through TRunContext;
// they must not change while the run uses them. The files are TOML; the
// reader keeps toml++ to its own source file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/catalogue/ClassNameTable.h"
#include "formrules/UserFormRules.h"
#include "rtl/SysUtils.h"

namespace zan {

class TClassRegistry;
class TFileSystem;

/// A rule file that cannot be read or holds a mistake. The message starts
/// with the file as it was named and, where there is one, the line:
/// `rules.toml:12: ...`.
class EUserRulesError : public Exception {
 public:
  using Exception::Exception;
};

/// What a rule file may hold, checked on its text before the TOML is parsed
/// (the parser recurses once a level, so a header of thousands of dotted parts
/// would exhaust the stack): the levels that table headers, dotted keys,
/// inline tables and arrays nest to, and the keys (`name = value`, inline ones
/// included). No real rule file comes near either.
inline constexpr int kMaxRuleNesting = 64;
inline constexpr size_t kMaxRuleKeys = 1000000;

/// One rule as the run report names it: where it stands and what it says
/// ("TVendorTable.CacheSize: drop").
struct TUserRuleEntry {
  std::u16string File;
  int Line = 0;
  std::u16string Text;
};

/// A unit that `[uses]` adds or removes.
struct TUserUsesUnit {
  std::u16string Name;
  int Rule = -1;  // index in TUserRules::Entries()
};

/// A class the converted forms may hold, registered before the run as
/// `--classes` registers one: the published properties of `Inherits` (a
/// registered class; empty: none) and `Properties`. `Members` are the public
/// methods and properties code may use beside those (MemberCheck.h).
struct TUserTargetClass {
  std::u16string Name;
  std::u16string Inherits;
  std::vector<std::u16string> Properties;
  std::vector<std::u16string> Members;
  int Rule = -1;
};

class TUserRules {
 public:
  /// Reads the rule file `fileName` through `fs` and adds its rules after
  /// those loaded before. `library` is the catalogue index of the run's
  /// library: the file's `library`, its pairs and their `rules-of` are checked
  /// against it. Raises EUserRulesError naming `fileName` as given; a file
  /// that fails adds nothing.
  void LoadFromFile(TFileSystem& fs, std::u16string_view fileName, int library);
  /// The same for the text of a file named `fileName` (UTF-8).
  void LoadFromText(std::string_view text, std::u16string_view fileName, int library);

  bool Empty() const { return FEntries.empty(); }
  /// Every rule in file order; the `Rule` numbers of the rules index it.
  const std::vector<TUserRuleEntry>& Entries() const { return FEntries; }
  /// "file:line" of rule `rule`.
  std::u16string PlaceOf(int rule) const;

  const TUserFormRules& Form() const { return FForm; }
  /// The target of the user-paired class `name` (any letter case), or
  /// nullptr. Cheap: the unit rewriting asks about every identifier.
  const std::u16string* FindTarget(std::u16string_view name) const;
  /// The pair of the source class `name`, or nullptr.
  const TUserClassPair* FindPair(std::u16string_view name) const;
  const std::vector<TUserUsesUnit>& AddedUnits() const { return FAddedUnits; }
  const std::vector<TUserUsesUnit>& RemovedUnits() const { return FRemovedUnits; }
  const std::vector<TUserTargetClass>& TargetClasses() const { return FTargetClasses; }

  /// Registers the target classes in `registry`, in file order. Raises
  /// EUserRulesError when a class inherits one the registry does not know.
  void RegisterTargetClasses(TClassRegistry& registry) const;

 private:
  friend class TUserRulesReader;
  int AddEntry(std::u16string_view file, int line, std::u16string text);

  std::vector<TUserRuleEntry> FEntries;
  TUserFormRules FForm;
  TClassNameTable FPairIndex;  // source -> index in FForm.Pairs
  std::vector<TUserUsesUnit> FAddedUnits;
  std::vector<TUserUsesUnit> FRemovedUnits;
  std::vector<TUserTargetClass> FTargetClasses;
};

}  // namespace zan
