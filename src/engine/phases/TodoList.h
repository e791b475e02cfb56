// The to-do list of a replace run: the places in the converted units that
// still need the user, found with the Pascal lexer after the units and forms
// are converted. Each place has its line and column unless noted.
//
//   uses       a unit of the source library still in a `uses` clause: any of
//              its units (FireDAC.Comp.Client, IBServices), not only the
//              catalogue's
//   property   code that uses a property the conversion dropped or renamed on
//              one of the unit's converted form objects (`Query1.DatabaseName`),
//              with what to use instead where one property took its place
//   class      a class of the library the catalogue does not convert
//              (`TIBSQLMonitor`), unless the run's units declare a type of
//              that name themselves
//   handler    a routine heading with a parameter of such a class (an event
//              handler's `TIBUpdateAction`)
//   exception  an `except on E: EIBError do` clause with such a class
//   session    a use of the BDE's global `Session`/`Sessions` (unless the
//              project declares its own `Session`)
//   object     a form object left unconverted (no line)
//   connection a connection or data set written disconnected (in the form, no line)
//   external   a routine declared `external` whose heading keeps a source
//              class (the library behind it expects that class)
//   inheritance  a form outside the run's scope that inherits from (or
//              embeds) a form the run converted, or the reverse, and keeps
//              source classes (added by FormInheritance.h)
//   member     code that uses a member the converted class lacks, found
//              through the run's declarations (MemberCheck.h)
#pragma once

#include <string>
#include <vector>

#include "engine/phases/RunState.h"

namespace zan {

/// Fills `state.Context.Report->Todo` (nothing without a report).
void CollectTodoList(TRunState& state);

/// The class-name prefixes of a catalogue library's own classes ("TIB" for
/// IBX), empty when its classes share no prefix (BDE).
std::vector<std::u16string> LibraryClassPrefixes(std::u16string_view library);

}  // namespace zan
