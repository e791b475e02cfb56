// Rule tables: most rules of the form conversion are rows of "for objects of
// these classes, a property of this name becomes ...". A table is data that
// can be read line by line against the rule tables of each source library;
// `ApplyRuleSet` runs one in order.
#pragma once

#include <span>
#include <string_view>

#include "formrules/RuleUtils.h"

namespace zan {

class TZanFormParser;

/// How a row compares a type name or a property name.
enum class TMatchKind {
  Any,    // every name
  Exact,  // equal to one of the names, letter case included
  OneOf,  // equal to one of the names ignoring ASCII letter case (IsOneOf)
};

struct TNameMatch {
  TMatchKind Kind = TMatchKind::Any;
  std::u16string_view Single;  // one name, or
  TNameList List;              // several

  bool Matches(std::u16string_view name) const;
};

constexpr TNameMatch AnyName() {
  return {};
}
/// Exactly this name (a single name in quotes in the rule tables).
constexpr TNameMatch Is(std::u16string_view name) {
  return {TMatchKind::Exact, name, {}};
}
/// Exactly one of these names (type names "A", "B" or "C").
constexpr TNameMatch IsAnyOf(TNameList names) {
  return {TMatchKind::Exact, {}, names};
}
/// One of these names, ignoring letter case ("one of" in the rule tables).
constexpr TNameMatch OneOf(TNameList names) {
  return {TMatchKind::OneOf, {}, names};
}
constexpr TNameMatch OneOf(std::u16string_view name) {
  return {TMatchKind::OneOf, name, {}};
}

/// What a row does with a matching property. Unless stated, the row consumes it.
enum class TRuleAction {
  /// Adds "ProviderName" = the quoted provider when the object's output is
  /// still empty (and then the option Target = Value, if Target is given),
  /// except to an inherited or inline object; goes on with the next rows.
  Provider,
  /// Provider option Target (default: the property name) with the unwrapped
  /// value, and the prefix Value.
  Option,
  /// Option Target = "True" when the unwrapped value is exactly Value, else "False".
  OptionFlag,
  /// Adds nothing.
  Drop,
  /// Target = the raw value.
  Rename,
  /// Target = the unwrapped value.
  RenameUnwrapped,
  /// Target = "(" + raw + ")": a one-line text becomes a one-item string list.
  RenameAsList,
  /// Target = Map[raw value], nothing when the value is not in the map.
  MapValue,
  /// Target = the negation of the raw value read as a Boolean.
  NegateBoolean,
  /// The numeric type of a connection becomes the two BCD options.
  NumericType,
  /// An event-name list becomes one quoted text of names joined by ";": each
  /// line trimmed and dequoted, the joined text quoted again (Trindle).
  EventNamesQuoted,
  /// The same, each line unwrapped and the joined text put between quotes as
  /// it is (FIBPlus).
  EventNamesUnwrapped,
  /// The row's Handler does the work (a rule that is not a simple mapping).
  Custom,
};

enum class TRuleOutcome { Consume, Continue };

using TRuleHandler = void (*)(TZanFormParser& parser, std::u16string_view propName,
                              std::u16string_view propValue);

struct TValuePair {
  std::u16string_view From;
  std::u16string_view To;
};

/// One row of a rule table.
struct TRuleRow {
  std::string_view Id;  // the rule's number in the rule tables ("S4", "X8")
  TNameMatch Types;
  TNameMatch Props;
  TRuleAction Action;
  std::u16string_view Target = {};  // property or option name (empty: the property's name)
  std::u16string_view Value = {};   // option prefix, or a fixed value (see the action)
  std::span<const TValuePair> Map = {};
  TRuleOutcome Outcome = TRuleOutcome::Consume;
  bool NonEmptyValue = false;  // the row applies only to a value that is not empty
  TRuleHandler Handler = nullptr;
};

/// A rule table and the provider of its options.
struct TRuleSet {
  std::u16string_view Provider;
  std::span<const TRuleRow> Rows;
};

/// Runs the rows in order against one property of the parser's current
/// object; true when a row consumed it.
bool ApplyRuleSet(TZanFormParser& parser, const TRuleSet& table, std::u16string_view propName,
                  std::u16string_view propValue);

/// Applies one row (its condition already met).
void ApplyRuleRow(TZanFormParser& parser, std::u16string_view provider, const TRuleRow& row,
                  std::u16string_view propName, std::u16string_view propValue);

}  // namespace zan
