#include "engine/TargetUnitPlacement.h"

#include <utility>

#include "parsing/PasParser.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

bool IsLineComment(std::u16string_view text) {
  return text.starts_with(u"//");
}

bool IsDirective(std::u16string_view text) {
  return text.starts_with(u"{$") || text.starts_with(u"(*$");
}

bool HasLineBreak(std::u16string_view text) {
  return text.find_first_of(u"\r\n") != std::u16string_view::npos;
}

/// The entries of a target list (", Zan, Quillbase") that `present` does
/// not hold, in the list's own text; the whole list when none is present.
std::u16string MissingTargetUnits(std::u16string_view targets,
                                  const std::unordered_set<std::u16string>& present) {
  std::u16string missing;
  bool any = false;
  size_t start = 0;
  while (start <= targets.size()) {
    size_t comma = targets.find(u',', start + 1);
    if (comma == std::u16string_view::npos) comma = targets.size();
    const std::u16string_view piece = targets.substr(start, comma - start);
    const std::u16string name = Trim(!piece.empty() && piece[0] == u',' ? piece.substr(1) : piece);
    if (!name.empty() && present.contains(AnsiUpperCase(name)))
      any = true;
    else
      missing += piece;
    if (comma >= targets.size()) break;
    start = comma;
  }
  return any ? missing : std::u16string(targets);
}

/// A `uses` clause of its own holding `entries` (", Zan, Quillbase"), laid
/// out as the IDE lays out the clause of a new unit.
std::u16string NewUsesClause(std::u16string_view entries, std::u16string_view lineBreak) {
  if (entries.starts_with(u',')) entries.remove_prefix(1);
  std::u16string clause(lineBreak);
  clause += lineBreak;
  clause += u"uses";
  clause += lineBreak;
  clause += u"  ";
  clause += TrimLeft(entries);
  clause += u';';
  return clause;
}

}  // namespace

void TTargetUnitPlacement::Note(int code, std::u16string_view text, size_t outEnd) {
  NoteLayout(code, text, outEnd);
  NoteUses(code, text, outEnd);
}

void TTargetUnitPlacement::SourceUnitEntry(size_t outEnd) {
  if (!FSourceEntryEnd) FSourceEntryEnd = outEnd;
}

void TTargetUnitPlacement::NoteLayout(int code, std::u16string_view text, size_t outEnd) {
  const bool blankOrComment = code == lexBlank || code == lexComment;
  if (FKind == TKind::Unknown) {
    if (blankOrComment) return;
    if (code == lexIdent && SameText(text, u"unit"))
      FKind = TKind::Unit;
    else if (code == lexIdent && (SameText(text, u"program") || SameText(text, u"library")))
      FKind = TKind::Program;
    else
      FKind = TKind::Other;
    return;
  }
  if (FNewClauseMovable) {
    // A new clause goes after a comment that ends the line, never into a
    // conditional.
    if (blankOrComment && !HasLineBreak(text) && !IsDirective(text)) {
      if (code == lexComment) FNewClauseAt = outEnd;
      return;
    }
    FNewClauseMovable = false;
  }
  if (FSection == TSection::Heading) {
    if ((FKind == TKind::Unit && code == lexIdent && SameText(text, u"interface")) ||
        (FKind == TKind::Program && code == symSemicolon)) {
      FSection = TSection::Interface;
      FNewClauseAt = outEnd;
      FNewClauseMovable = true;
    }
  } else if (FSection == TSection::Interface && FKind == TKind::Unit && code == lexIdent &&
             SameText(text, u"implementation")) {
    FSection = TSection::Rest;
  }
}

void TTargetUnitPlacement::NoteUses(int code, std::u16string_view text, size_t outEnd) {
  if (code == kwUses) {
    FInUses = true;
    FClauseInInterface = FSection == TSection::Interface;
    FClauseLastEnd = outEnd;
    return;
  }
  if (!FInUses) return;
  if (code == symSemicolon) {
    FinishName();
    FInUses = false;
    if (FClauseInInterface) FInterfaceClauseEnds.push_back(FClauseLastEnd);
    return;
  }
  // Appended after a line comment, the units would be commented out.
  if (code != lexBlank && !(code == lexComment && IsLineComment(text))) FClauseLastEnd = outEnd;
  if (code == lexIdent && !FAfterIdent) {
    FName += text;
    FAfterIdent = true;
  } else if (code == symDot && FAfterIdent) {
    FName += text;
    FAfterIdent = false;
  } else {
    FinishName();
  }
}

void TTargetUnitPlacement::FinishName() {
  if (!FName.empty()) FUsedNames.insert(AnsiUpperCase(FName));
  FName.clear();
  FAfterIdent = false;
}

bool TTargetUnitPlacement::Names(std::u16string_view unit) const {
  return FUsedNames.contains(AnsiUpperCase(unit));
}

int TTargetUnitPlacement::Insert(std::u16string& out, std::u16string_view targets,
                                 std::u16string_view lineBreak) const {
  const std::u16string missing = MissingTargetUnits(targets, FUsedNames);
  if (missing.empty()) return 0;
  std::vector<std::pair<size_t, std::u16string>> edits;
  if (FSourceEntryEnd) {
    edits.emplace_back(*FSourceEntryEnd, missing);
  } else if (FClassRenamed && !FInterfaceClauseEnds.empty()) {
    for (size_t end : FInterfaceClauseEnds) edits.emplace_back(end, missing);
  } else if (FClassRenamed && FNewClauseAt) {
    edits.emplace_back(*FNewClauseAt, NewUsesClause(missing, lineBreak));
  }
  // From the last to the first, so that the earlier offsets stay valid.
  for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit)
    out.insert(edit->first, edit->second);
  return static_cast<int>(edits.size());
}

}  // namespace zan
