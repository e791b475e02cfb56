// The `uses` edits of a user's rule files (UserRules.h): units added with the
// library's target units, and units removed from the clauses of the units a
// run changes. Functions of text, apart from the unit rewriting that calls
// them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/rules/UserRules.h"

namespace zan {

/// The target units of a run: the library's list (", Zan, Quillbase") with
/// `extra` after it, each as ", Name"; a unit the list names already (any
/// letter case) is not named twice.
std::u16string TargetUnitsWith(std::u16string_view targets,
                               const std::vector<TUserUsesUnit>& extra);

/// Removes every `uses` entry of `text` that names one of `units` (the whole
/// dotted name, any letter case), with its `in '...'` part and its separator;
/// a clause left without entries goes entirely (its line too when it stood
/// alone on it). A clause with a compiler directive in it is left as it is.
/// Returns the `Rule` of the unit of each entry removed.
std::vector<int> RemoveUsesEntries(std::u16string& text, const std::vector<TUserUsesUnit>& units);

}  // namespace zan
