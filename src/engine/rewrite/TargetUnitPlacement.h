// Where a rewritten unit gets the replacer's target units, so that a unit
// whose classes were renamed names the units that declare the new classes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace zan {

/// Follows one unit while it is rewritten, lexeme by lexeme, and then puts
/// the target units where they belong:
///  - after the first `uses` entry that names a source unit (the rewriter
///    reports it; after its `in '...'` part), when there is one;
///  - else, once a class name was renamed in code, at the end of the `uses`
///    clause of the interface (of a program or library: its own clause; each
///    of them when conditional directives hold several), or in a new clause
///    right after `interface` (after the program heading) when there is none.
/// A clause whose ";" stands inside a conditional (`uses Classes, {$IFDEF W}
/// Windows; {$ELSE} Unix; {$ENDIF}`) gets them before the conditional, after
/// its last entry outside it (else right after `uses`), so that every branch
/// has them; so does its source unit when one of the branches names it.
/// A target unit that any `uses` clause of the unit names (any letter case)
/// is not added again, so a second run adds nothing. Text that starts with
/// no `unit`, `program` or `library` heading (a `package`, a fragment) gets
/// no new clause. Offsets are into the rewritten text, which only grows while
/// it is fed; the insertions are made at the end, so every other character
/// is kept.
class TTargetUnitPlacement {
 public:
  /// Reports a lexeme (code and text as read) whose rewritten text now ends
  /// the output at `outEnd`.
  void Note(int code, std::u16string_view text, size_t outEnd);
  /// The first `uses` entry that names a source unit ends the output at `outEnd`.
  void SourceUnitEntry(size_t outEnd);
  /// A class name was renamed in code: the unit needs the target units.
  void ClassRenamed() { FClassRenamed = true; }

  /// Whether a `uses` clause read so far names `unit` (any letter case).
  bool Names(std::u16string_view unit) const;

  /// Inserts the entries of `targets` (", Zan, Quillbase") that the unit does
  /// not name yet into `out`, a new clause with `lineBreak`; returns the
  /// number of places extended.
  int Insert(std::u16string& out, std::u16string_view targets, std::u16string_view lineBreak) const;

 private:
  /// Where target units go: after an entry (", Zan, Quillbase"), or right
  /// after the keyword `uses` (" Zan, Quillbase,").
  struct TPlace {
    size_t At = 0;
    bool AfterKeyword = false;
  };
  enum class TKind { Unknown, Unit, Program, Other };
  /// How far the `in '...'` part after the source unit's entry was read.
  enum class TSourceStep { None, AfterName, AfterIn, AfterPath, Done };
  enum class TSection { Heading, Interface, Rest };

  void NoteLayout(int code, std::u16string_view text, size_t outEnd);
  void NoteUses(int code, std::u16string_view text, size_t outEnd);
  void FinishName();
  void NoteSourceEntry(int code, std::u16string_view text, size_t outEnd);
  void NoteConditional(std::u16string_view directive);

  TKind FKind = TKind::Unknown;
  TSection FSection = TSection::Heading;
  bool FClassRenamed = false;
  std::optional<TPlace> FSourceEntry;
  TSourceStep FSourceStep = TSourceStep::None;
  bool FSourceInConditional = false;  // the source entry stands inside a conditional
  bool FSourceClauseOpen = false;     // the source entry's clause is being read
  // Where a new clause goes; moved on over blanks and comments that end the
  // line of `interface` (or of the program heading).
  std::optional<size_t> FNewClauseAt;
  bool FNewClauseMovable = false;
  // The `uses` clause being read.
  bool FInUses = false;
  bool FClauseInInterface = false;
  size_t FClauseLastEnd = 0;  // after its last lexeme other than a blank or line comment
  std::u16string FName;       // the (dotted) name being read
  bool FAfterIdent = false;
  size_t FClauseKeywordEnd = 0;           // after its `uses`
  std::optional<size_t> FClauseEntryEnd;  // after its last entry outside conditionals
  int FConditionalDepth = 0;              // of the conditionals opened in it
  TPlace FBeforeConditional;              // where the outermost open one starts
  std::vector<TPlace> FInterfaceClauseEnds;
  std::unordered_set<std::u16string> FUsedNames;  // upper-cased, every clause
};

}  // namespace zan
