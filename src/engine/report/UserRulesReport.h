// The run report's account of the user's rules (the `userRules` of
// doc/report.md): every rule with the count of what it changed.
#pragma once

#include <vector>

#include "engine/phases/RunState.h"
#include "engine/report/RunReport.h"
#include "engine/rules/UserRules.h"

namespace zan {

/// Lists every rule of `rules` in `report`, none applied yet (at the start
/// of a run, after the report was cleared).
void DescribeUserRules(const TUserRules& rules, TRunReport& report);

/// Counts what the rules changed in the files the run changes (after forms
/// left under --keep-going and their units were taken out): each unit's rules
/// once per unit; each pair, property rule and constant property once per
/// form object that names it, each target class once per converted object of
/// that class.
void CountAppliedUserRules(const TUserRules& rules, const std::vector<TWorkItem>& work,
                           TRunReport& report);

}  // namespace zan
