// The part of a user's rule files that the form conversion applies: class
// pairs, property rules and constant properties (engine/rules/UserRules.h reads the
// files and holds the rest).
//
// Class names compare without regard to letter case, as the host's class
// look-ups do; so do property names.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zan {

/// Objects of `Source` become `Target`, converted with the built-in rules of
/// the built-in source class `RulesOf`; without one, only the base rules and
/// the user's own apply.
struct TUserClassPair {
  std::u16string Source;
  std::u16string Target;
  std::u16string RulesOf;
  int Rule = -1;  // the rule's index in TUserRules::Entries()
};

/// The property `Name` (dotted names allowed) of objects of `ClassName`
/// ("*": every class the run converts) is written as `Rename`, its value
/// mapped through `Values` (form text; other values pass as they are), or
/// dropped.
struct TUserPropertyRule {
  std::u16string ClassName;
  std::u16string Name;
  std::u16string Rename;
  bool Drop = false;
  std::vector<std::pair<std::u16string, std::u16string>> Values;
  int Rule = -1;
};

/// The property `Name` set to `Value` (form text) on every converted object
/// of `ClassName` ("*": every class).
struct TUserSetRule {
  std::u16string ClassName;
  std::u16string Name;
  std::u16string Value;
  int Rule = -1;
};

inline constexpr std::u16string_view kEveryClass = u"*";

/// The form rules of every rule file of a run, in file order. Whoever
/// changes the lists calls BuildIndex before the next look-up: the look-ups
/// go through hash indexes, so that a run costs the same per object however
/// many rules there are.
struct TUserFormRules {
  std::vector<TUserClassPair> Pairs;
  std::vector<TUserPropertyRule> Properties;
  std::vector<TUserSetRule> Sets;

  void BuildIndex();

  /// The pair whose source is `sourceClass`, or nullptr.
  const TUserClassPair* FindPair(std::u16string_view sourceClass) const;
  /// The property rule an object of `className` takes for its property
  /// `name`: the first of its class in file order, else the first for "*";
  /// nullptr when none names it.
  const TUserPropertyRule* FindPropertyRule(std::u16string_view className,
                                            std::u16string_view name) const;
  /// The constant properties of an object of `className`: those of its
  /// class, then those for "*", each group in file order.
  std::vector<const TUserSetRule*> SetRulesOf(std::u16string_view className) const;

 private:
  // Keyed by the class name in lower case, as AnsiSameText folds it (then "|"
  // and the property name, likewise); the values index the lists above.
  std::unordered_map<std::u16string, size_t> FPairIndex;
  std::unordered_map<std::u16string, size_t> FPropertyIndex;
  std::unordered_map<std::u16string, std::vector<size_t>> FSetIndex;
};

}  // namespace zan
