// The member check of a replace run: every `x.Member` in the run's units
// where `x` has a converted type (a target class of the run's pairs or rule
// files) and `Member` is not a member of that class becomes a to-do entry of
// kind `member`, with advice where a Delphi developer's usual replacement is
// known ("set IndexFieldNames to the index's fields", "use StartTransaction").
//
// `x` is followed through the symbol index (SymbolIndex.h): locals,
// parameters, fields of the method's class and its form, `Self`, global
// variables of the unit and of the units it uses (`DataModule1.Query1`), and
// the objects of `with x do`. Inside `with`, a bare name is only taken for a
// member of the object when it is a known member of the source libraries:
// any other name may be a routine or variable the index does not see.
//
// The members of a target class: its published properties (the class
// registry), the members TargetMembers.inc lists for it, and those of the
// rule files' `[[target-class]]` tables.
//
// With `TReplaceOptions::FixCode` the renames that are mechanical and
// unambiguous (`BeginTrans` -> `StartTransaction`, `FBN(` -> `FieldByName(`,
// ...) are applied to the unit's converted text in the temporary folder
// before anything is published (a unit changed only by them becomes a
// changed file), each listed in the report's `codeFixes`; a fixed place is
// not a to-do entry.
#pragma once

#include <memory>
#include <vector>

#include "engine/phases/RunState.h"
#include "engine/report/RunReport.h"

namespace zan {

class TMemberCheck {
 public:
  explicit TMemberCheck(TRunState& state);
  ~TMemberCheck();

  /// Reads every unit of the run (once for the index, once for the check),
  /// applies the fixes when the run asks for them and keeps the entries.
  void Run();
  /// Appends the entries to `report.Todo`, except at a place (file, line,
  /// column) that the list already names.
  void AppendTodo(TRunReport& report) const;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};

}  // namespace zan
