// The run report's account of the user's rules (the `userRules` of
// doc/report.md): every rule with the count of what it changed.
#pragma once

#include "engine/RunReport.h"
#include "engine/UserRules.h"

namespace zan {

/// Lists every rule of `rules` in `report`, none applied yet (at the start
/// of a run, after the report was cleared).
void DescribeUserRules(const TUserRules& rules, TRunReport& report);

/// Counts the form objects of `report` that the rules changed: each pair,
/// property rule and constant property once per object that names it, each
/// target class once per converted object of that class. (The unit rewriting
/// counts the units itself.)
void CountUserRulesInForms(const TUserRules& rules, TRunReport& report);

}  // namespace zan
