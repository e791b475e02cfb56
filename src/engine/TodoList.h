// The to-do list of a replace run: the places in the converted units that
// still need the user, found with the Pascal lexer after the units and forms
// are converted.
//
//   uses      a source-library unit still in a `uses` clause
//   property  code that uses a property the conversion dropped or renamed on
//             one of the unit's converted form objects (`Query1.DatabaseName`)
//   class     a source-library class the catalogue does not convert
//             (`TIBSQLMonitor`), counted per unit and class
//   object    a form object left unconverted
//   external  a routine declared `external` whose heading keeps a source
//             class (the library behind it expects that class)
//   member    code that uses a member the converted class lacks, found
//             through the run's declarations (MemberCheck.h)
#pragma once

#include <string>
#include <vector>

#include "engine/RunState.h"

namespace zan {

/// Fills `state.Context.Report->Todo` (nothing without a report).
void CollectTodoList(TRunState& state);

/// The class-name prefixes of a catalogue library's own classes ("TIB" for
/// IBX), empty when its classes share no prefix (BDE).
std::vector<std::u16string> LibraryClassPrefixes(std::u16string_view library);

}  // namespace zan
