// Mistyped commands and options, caught before CLI11 parses the command line
// (CLI11 would report a mistyped command as a missing one, and a mistyped
// required option as a missing option), with the name the user most likely
// meant.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace zan::cli {

/// The candidate closest to `word` by edit distance in any letter case
/// (insertions, deletions, substitutions and swaps of neighbours each count
/// one) when it is close enough to be a typing mistake, or one that `word`
/// is the start of (at least three characters, only one candidate); else empty.
std::string ClosestName(std::string_view word, const std::vector<std::string>& candidates);

/// "; did you mean NAME?" with ClosestName, or empty.
std::string DidYouMean(std::string_view word, const std::vector<std::string>& candidates);

/// Walks `args` (without the program name) as `app` would take them: global
/// options, one command, its options and arguments. Throws TUsageError for an
/// unknown command or option, suggesting the closest name. Everything else
/// (missing values, required options, conflicts) is left to CLI11.
void CheckArguments(const CLI::App& app, const std::vector<std::string>& args);

}  // namespace zan::cli
