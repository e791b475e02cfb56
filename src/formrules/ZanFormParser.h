// The form parser of every replacer: the conversion hook with the rules of
// all source libraries.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "formrules/BdeAliases.h"
#include "formrules/UserFormRules.h"
#include "parsing/FormParser.h"
#include "rtl/ClassRegistry.h"
#include "rtl/StringList.h"

namespace zan {

class TFileSystem;

/// `TFormParser` with the conversion rules. `ConvertProperty` runs one
/// ordered chain of rule groups over each top-level property of the object
/// being converted; a group either consumes the property or lets the chain
/// go on, and the chain ends in the base rules, where the target class
/// decides what survives. The rules keep no state between calls: everything
/// they add goes into the parser's output list, so a property re-read after
/// backtracking converts exactly as a single read.
///
/// The target classes are looked up in a class registry (not owned; the
/// process's until the run sets its own with SetClassRegistry).
///
/// A user's rules (SetUserRules) come first for each property: the first
/// property rule of the object's class, or of "*", that names it consumes it.
/// An object of a user-paired class goes through the chain as its pair's
/// `RulesOf` class, or straight to the base rules without one. The user's
/// constant properties are set once the object is read.
class TZanFormParser : public TFormParser {
 public:
  explicit TZanFormParser(TParseStateClass ParseStateClass = &ParseStateClassOf<TFormParseState>);

  void ConvertProperty(const std::u16string& PropName, const std::u16string& PropValue) override;

  /// The base rules (B1 to B7): the engine's components and the property
  /// filter of the target class. The last step of the chain.
  void ConvertPropertyBase(std::u16string_view PropName, std::u16string_view PropValue);
  /// True if `Cls` publishes the part of `PropName` before its first ".".
  static bool HasPublishedProperty(const TRegisteredClass& Cls, std::u16string_view PropName);

  /// Adds one line 'Provider.PrefixOption=Value' to the object's single
  /// "SpecificOptions.Strings" entry (created at the first option), after the
  /// options added before. A leading "Options." and then "SSLOptions." is
  /// removed from `OptionName`. `Value` goes between the line's quotes as it
  /// is, so it must be written as form text (doubled quotes).
  void AddSpecificOption(std::u16string_view Provider, std::u16string_view OptionName,
                         std::u16string_view Value, std::u16string_view Prefix);
  /// The first output entry named exactly `Name`, without its quotes; empty if none.
  std::u16string GetAddedPropValue(std::u16string_view Name) const;
  /// Appends an output entry; an empty value adds nothing (it would not be
  /// valid form text).
  void AddProperty(std::u16string_view Name, std::u16string_view Value);

  /// Replaces the FireDAC parameter list by the entries of the connection
  /// definition it names: the keys of that section of the connection-
  /// definition file, then those of the section of the same name in the
  /// driver-configuration file, read through FileSystem(). A file that is
  /// missing or unreadable contributes nothing, and so do both files while no
  /// file system is set.
  void LoadConnectionDef(TStringList& Params) const;

  /// Whether the object being converted is an inherited or inline one (its
  /// header's keyword): such an object stores only the properties that
  /// differ from its ancestor (or its frame), so the rules add nothing to it
  /// that is not derived from one of its own stored properties
  /// (doc/inherited_objects.md).
  bool StoresDifferencesOnly() const;

  /// The class name of the object as written in the form (during a
  /// ConvertProperty call), and its component name.
  const std::u16string& TypeName() const { return FTypeName; }
  std::u16string ObjectName() const { return FormState().Name(); }
  /// Entries added to the output list for the current object.
  int PropCount() const { return FormState().PropCount(); }

  /// Where the connection-definition files are read (not owned; nullptr: nowhere).
  TFileSystem* FileSystem() const { return FFileSystem; }
  void SetFileSystem(TFileSystem* FileSystem) { FFileSystem = FileSystem; }
  /// The ANSI code page of those files when they are not UTF-8 (the run's).
  int CodePage() const { return FCodePage; }
  void SetCodePage(int CodePage) { FCodePage = CodePage; }

  const TClassRegistry& ClassRegistry() const { return *FClassRegistry; }
  void SetClassRegistry(const TClassRegistry* Registry);

  /// The top-level properties of the object last parsed that the converted
  /// object does not carry in any form (the rules added nothing for them), in
  /// text order: what a run reports as dropped.
  std::vector<std::u16string> DroppedProperties() const;

  /// One top-level property of the object last parsed as the rules saw it
  /// (its value as form text, as written) and the output entries they made
  /// of it (name and value lines joined by CRLF); no entries: dropped.
  struct TPropertyTrace {
    std::u16string Name;
    std::u16string Value;
    std::vector<std::pair<std::u16string, std::u16string>> Outputs;
  };
  /// Every top-level property of the object last parsed, in text order.
  std::vector<TPropertyTrace> PropertyTraces() const;
  /// The user's form rules (not owned; nullptr, the default: none, and the
  /// per-property cost of the user rules is this one check).
  const TUserFormRules* UserRules() const { return FUserRules; }
  void SetUserRules(const TUserFormRules* Rules) { FUserRules = Rules; }
  /// The user rules (their `Rule` numbers) applied to the object last parsed:
  /// its pair, its property rules in text order, its constant properties.
  std::vector<int> AppliedUserRules() const;

  /// The connection definitions the object last parsed named that the
  /// connection-definition file does not hold (or no such file was given).
  std::vector<std::u16string> MissingConnectionDefs() const;

  /// Reports a part of the current property's value that the converted
  /// object does not carry (a key of a connection string, a line of a
  /// parameter list) as a dropped property of its own: `Name` and `Value`
  /// as the report shows them. For the rules, during a ConvertProperty call.
  void AddDroppedPart(std::u16string_view Name, std::u16string_view Value);

  /// A connection or data set that the object last parsed stored connected
  /// or open although it connects to nothing: the rules wrote `Property` =
  /// False, and `Action` says what the user must set.
  struct TDisconnected {
    std::u16string Property;
    std::u16string Action;
  };
  const std::vector<TDisconnected>& Disconnected() const { return FDisconnected; }
  /// The connections of the form being converted that the rules write
  /// disconnected (names, any letter case): a data set stored open through
  /// one of them is written closed too. Set by the form rewriter, which
  /// learns them only once every object of the form was read.
  const std::vector<std::u16string>& DisconnectedConnections() const {
    return FDisconnectedConnections;
  }
  void SetDisconnectedConnections(std::vector<std::u16string> Names) {
    FDisconnectedConnections = std::move(Names);
  }
  /// For the rules that finish an object (FinishConvertedObject).
  void AddDisconnected(std::u16string_view Property, std::u16string_view Action);
  /// Renames output entry `Index`, or replaces its value, after the object
  /// was read, and keeps the property traces in step.
  void RenameOutput(int Index, std::u16string_view Name);
  /// Appends an output entry after the object was read, as made of the
  /// object's property `FromProperty` (which then no longer counts as dropped).
  void AddOutputFor(std::u16string_view FromProperty, std::u16string_view Name,
                    std::u16string_view Value);
  /// The value of the object's property `Name` as written (any letter case),
  /// empty when it has none; after the object was read.
  std::u16string StoredValue(std::u16string_view Name) const;

  /// The BDE aliases a TDatabase's "AliasName" is resolved through (not
  /// owned; nullptr, the default: none).
  const TBdeAliases* BdeAliases() const { return FBdeAliases; }
  void SetBdeAliases(const TBdeAliases* Aliases) { FBdeAliases = Aliases; }
  void ReplaceOutputValue(int Index, std::u16string_view Value);

 protected:
  void DoBeforeParse() override;
  void DoAfterParse(bool& Result) override;

 private:
  /// The user rules of the object being parsed, looked up at its first use.
  struct TObjectUserRules {
    bool Ready = false;
    const TUserClassPair* Pair = nullptr;
    std::u16string TypeName;  // the class its rules are looked up by
    std::vector<const TUserSetRule*> Sets;
  };
  const TObjectUserRules& ObjectUserRules();
  /// The first user property rule that names the property; true when one did.
  bool ConvertUserProperty(const std::u16string& PropName, const std::u16string& PropValue);
  /// Sets the user's constant properties on the object just read.
  void ApplyUserSets();
  void ForgetObject();
  /// The class whose rules the current object takes (its own, or the
  /// `RulesOf` class of a user pair).
  std::u16string RulesTypeName();

  const TClassRegistry* FClassRegistry;
  const TUserFormRules* FUserRules = nullptr;
  const TBdeAliases* FBdeAliases = nullptr;
  TObjectUserRules FObjectRules;
  std::map<int, int> FUserRuleHits;  // property rules applied, by position as FDropped
  std::vector<int> FSetHits;
  TFileSystem* FFileSystem = nullptr;
  int FCodePage = 1252;
  std::u16string FTypeName;  // the state's type name, read once per call
  int FChanges = 0;          // additions and option lines since construction
  // Dropped properties by the position where their value ends: a property
  // read again after backtracking is the same entry.
  std::map<int, std::u16string> FDropped;
  std::map<int, TPropertyTrace> FTraces;  // the same, for every property
  // Parts of a property's value reported as dropped, by the same position.
  std::map<int, std::vector<std::pair<std::u16string, std::u16string>>> FDroppedParts;
  std::vector<TDisconnected> FDisconnected;
  std::vector<std::u16string> FDisconnectedConnections;
  mutable std::map<int, std::u16string> FMissingConnectionDefs;  // by position, likewise
};

}  // namespace zan
