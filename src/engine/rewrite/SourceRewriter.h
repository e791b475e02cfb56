// Rewriting the text of one source unit (".pas"/".dpr"): class names become
// target class names (in comments too), and a unit whose class names were
// renamed names the target units in a `uses` clause (TargetUnitPlacement.h).
// A function of text: the caller reads and writes the files and resolves the
// resource names the unit holds. A unit rewritten once comes out of a second
// rewrite unchanged.
//
// The text is copied lexeme by lexeme into one output buffer, so every
// character outside an edit is kept.
#pragma once

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

#include "engine/rewrite/ResourceDirective.h"
#include "engine/rules/UserRules.h"
#include "parsing/PasParser.h"

namespace zan {

class TComponentReplacer;

/// Where a text holds something: offsets [Start, End).
struct TTextRange {
  size_t Start = 0;
  size_t End = 0;
};

/// The headings of the routines `text` declares `external` (a DLL routine),
/// each from its `procedure`/`function` to the ";" that ends its `external`
/// directive, in text order. The library behind such a routine expects the
/// classes its heading names, so a rewrite leaves them as they are.
std::vector<TTextRange> ExternalRoutineHeadings(std::u16string_view text);

/// What rewriting a unit gave.
struct TSourceRewrite {
  std::u16string Text;
  /// Class names met (also when the replacement is the same text) and
  /// places where target units were added: what the log reports as
  /// "N change(s)".
  int Changes = 0;
  /// Whether `Text` differs from the input.
  bool Changed = false;
  /// The forms the unit's resource directives name, in text order.
  std::vector<TResourceName> ResourceNames;
  /// The user rules (their `Rule` numbers) that changed the unit: pairs that
  /// renamed a class, units added or removed; once each, in rule order.
  std::vector<int> UserRules;
};

/// Rewrites units with the pairs and `uses` units of one replacer, and the
/// user's pairs and `uses` edits when there are user rules (neither owned;
/// both must outlive the rewriter). Keeps its lexers between units.
class TSourceRewriter {
 public:
  explicit TSourceRewriter(TComponentReplacer& replacer, const TUserRules* userRules = nullptr);
  TSourceRewrite Rewrite(std::u16string_view text);
  /// A rewrite checks `cancelled` (not owned; nullptr: never) as it goes and
  /// raises ERunCancelled when it is set, so that a long unit is not waited for.
  void SetCancelled(const std::atomic<bool>* cancelled) { FCancelled = cancelled; }

 private:
  /// The target of the class `name`: the replacer's pair, else the user's.
  const std::u16string* FindNewClassName(std::u16string_view name) const;
  /// Notes the user pair of `name` (when it is one) as applied.
  void NoteUserPair(std::u16string_view name, TSourceRewrite& result) const;

  /// Renames class names in an ordinary comment; resource directives go to
  /// `result.ResourceNames`.
  void RewriteComment(std::u16string& comment, TSourceRewrite& result);

  TComponentReplacer& FReplacer;
  const TUserRules* FUserRules;
  /// The units appended after a source unit: the replacer's, then the user's.
  std::u16string FTargetUnits;
  std::vector<TUserUsesUnit> FAddedUnits;  // the user's units FTargetUnits adds
  TPasParser FLexer;
  TPasParser FCommentLexer;
  const std::atomic<bool>* FCancelled = nullptr;
};

}  // namespace zan
