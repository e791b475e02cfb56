// The symbol index of a replace run's units: what a light reading of their
// declarations tells about the type of a name, enough to follow member-access
// chains such as `DataModule1.Query1.IndexName` across units.
//
// A unit is read once as a list of tokens (TPasTokens). TUnitWalker follows
// the unit's structure (uses clauses, type, var and const sections, routines
// and their bodies) and hands what it meets to the hooks of a derived class:
// the index keeps the unit-level declarations (classes with their fields,
// global variables, the uses clauses); the member check (MemberCheck.h)
// reads the routines' parameters, locals and bodies. This is not a Pascal
// compiler: a declaration the walker does not understand is skipped, and a
// name whose type it cannot tell has none.
//
// Names and types are kept in ASCII upper case; a type is the last part of a
// (dotted) type name, or empty when it is not a plain name (`array of ...`).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zan {

/// One lexeme of a unit, blanks and comments left out.
struct TPasToken {
  int Code = 0;
  uint32_t Start = 0;
  uint32_t Length = 0;
  std::u16string Upper;  // identifiers only: the text in ASCII upper case
};

/// The tokens of `text` with a closing lexEnd token (so that looking one
/// ahead never runs off the end).
std::vector<TPasToken> PasTokens(std::u16string_view text);

/// Name (upper case) -> type (upper case).
using TNameTypes = std::unordered_map<std::u16string, std::u16string>;

/// A class the unit declares.
struct TClassSymbols {
  std::u16string Parent;  // the first name in its parentheses; empty: none
  TNameTypes Fields;
};

/// The unit-level declarations of one unit.
struct TUnitSymbols {
  std::u16string Name;               // the unit's name (upper case), else its file's stem
  std::u16string Folder;             // of its file, to pick the nearest unit of a name
  std::vector<std::u16string> Uses;  // both clauses, in order
  TNameTypes Globals;
  std::unordered_map<std::u16string, TClassSymbols> Classes;
};

/// Walks the structure of a unit. Every hook does nothing by default.
class TUnitWalker {
 public:
  explicit TUnitWalker(const std::vector<TPasToken>& tokens) : FTokens(tokens) {}
  virtual ~TUnitWalker() = default;

  void Walk();

 protected:
  /// What the walker knows of the routine whose body it hands over.
  struct TRoutine {
    std::u16string ClassName;  // of a method (`TForm1.Button1Click`); empty: none
    TNameTypes Locals;         // parameters, `Result`, local variables
  };

  virtual void OnUnitName(std::u16string_view /*upperName*/) {}
  virtual void OnUses(const std::u16string& /*upperName*/) {}
  virtual void OnClass(const std::u16string& /*name*/, const std::u16string& /*parent*/) {}
  virtual void OnField(const std::u16string& /*className*/, const std::u16string& /*name*/,
                       const std::u16string& /*type*/) {}
  virtual void OnGlobal(const std::u16string& /*name*/, const std::u16string& /*type*/) {}
  /// The statements from token `begin` (the `begin`, `asm` or
  /// `initialization`) to token `end` (its `end`, excluded) of `routine`
  /// (nullptr: the program's block or an initialization section).
  virtual void OnBody(const TRoutine* /*routine*/, size_t /*begin*/, size_t /*end*/) {}

  const std::vector<TPasToken>& FTokens;

  bool Is(size_t i, std::u16string_view upper) const;
  bool IsIdent(size_t i) const;
  /// The index of the token that closes the block opened at `i` (a `begin`,
  /// `case`, `try`, `asm`, `record` ...): its matching `end`.
  size_t MatchingEnd(size_t i) const;

 private:
  size_t ReadUses(size_t i);
  size_t ReadTypeSection(size_t i);
  size_t ReadClass(size_t i, const std::u16string& name);
  size_t ReadVarSection(size_t i, TNameTypes* into, const std::u16string* className);
  size_t SkipConstSection(size_t i);
  size_t ReadRoutine(size_t i, bool hasBody, TRoutine* outer);
  size_t ReadParams(size_t i, TNameTypes& into);
  size_t SkipDirectives(size_t i, bool& noBody);
  /// Reads a type expression from `i` up to `;`, `)` or `=` (at depth 0) or
  /// `end`; returns the index there and sets `type`.
  size_t ReadType(size_t i, std::u16string& type) const;
  size_t SkipToSemicolon(size_t i) const;

  bool FImplementation = false;
};

/// The declarations of the run's units.
class TSymbolIndex {
 public:
  /// Reads the unit-level declarations of unit `id` (its index in the run's
  /// work list) from its tokens.
  void AddUnit(size_t id, std::u16string_view fileName, const std::vector<TPasToken>& tokens);

  const TUnitSymbols* Unit(size_t id) const;
  /// The unit named `upperName` as `from` sees it: the one in `from`'s folder,
  /// else the first of that name; nullptr when the run has none.
  const TUnitSymbols* ResolveUnit(const TUnitSymbols& from, std::u16string_view upperName) const;
  /// The type of the global `upperName` as `from` sees it: its own, then
  /// those of its used units, the last used first (as the compiler looks).
  /// Sets `owner` to the declaring unit. Empty when unknown.
  std::u16string GlobalType(const TUnitSymbols& from, const std::u16string& upperName,
                            const TUnitSymbols** owner = nullptr) const;
  /// The class `upperName` as `from` sees it (its own unit, its used units,
  /// then any unit of the run); nullptr when no unit declares it.
  const TClassSymbols* FindClass(const TUnitSymbols& from, const std::u16string& upperName,
                                 const TUnitSymbols** owner = nullptr) const;
  /// The type of the field `field` of the class `className` or of its
  /// ancestors that the run declares. Empty when unknown.
  std::u16string FieldType(const TUnitSymbols& from, const std::u16string& className,
                           const std::u16string& field) const;

 private:
  std::unordered_map<size_t, TUnitSymbols> FUnits;
  std::unordered_map<std::u16string, std::vector<size_t>> FByName;      // unit name -> ids
  std::unordered_map<std::u16string, std::vector<size_t>> FClassUnits;  // class -> ids
};

}  // namespace zan
