#include "app/cli/ArgumentCheck.h"

#include <algorithm>
#include <cctype>

#include "app/cli/Commands.h"

namespace zan::cli {

namespace {

/// Optimal string alignment distance: insertions, deletions, substitutions
/// and swaps of two neighbouring characters each cost one.
size_t EditDistance(std::string_view a, std::string_view b) {
  auto same = [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  };
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i)
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t cost = same(a[i - 1], b[j - 1]) ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && same(a[i - 1], b[j - 2]) && same(a[i - 2], b[j - 1]))
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  return d[a.size()][b.size()];
}

std::string_view WithoutDashes(std::string_view name) {
  while (!name.empty() && name.front() == '-') name.remove_prefix(1);
  return name;
}

/// The option of `app` or of an application above it (global options are
/// taken after the command too) written as `name` ("--dir", "-h").
const CLI::Option* FindOption(const CLI::App* app, std::string_view name) {
  for (; app; app = app->get_parent())
    for (const CLI::Option* option : app->get_options()) {
      if (option->get_positional()) continue;
      if (name.starts_with("--")) {
        const auto& names = option->get_lnames();
        if (std::find(names.begin(), names.end(), name.substr(2)) != names.end()) return option;
      } else {
        const auto& names = option->get_snames();
        if (std::find(names.begin(), names.end(), name.substr(1)) != names.end()) return option;
      }
    }
  return nullptr;
}

/// Every option name that `app` takes, with its dashes.
std::vector<std::string> OptionNames(const CLI::App* app) {
  std::vector<std::string> names;
  for (; app; app = app->get_parent())
    for (const CLI::Option* option : app->get_options()) {
      for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
      for (const std::string& name : option->get_snames()) names.push_back("-" + name);
    }
  return names;
}

std::vector<std::string> CommandNames(const CLI::App& app) {
  std::vector<std::string> names;
  for (const CLI::App* command : app.get_subcommands([](const CLI::App*) { return true; }))
    names.push_back(command->get_name());
  return names;
}

std::string List(const std::vector<std::string>& names) {
  std::string text;
  for (size_t i = 0; i < names.size(); ++i)
    text += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
  return text;
}

[[noreturn]] void Unknown(std::string_view what, const std::string& word,
                          const std::vector<std::string>& candidates, std::string_view otherwise) {
  std::string message = "unknown " + std::string(what) + " " + word;
  if (const std::string guess = DidYouMean(word, candidates); !guess.empty())
    message += guess;
  else if (!otherwise.empty())
    message += "; " + std::string(otherwise);
  throw TUsageError(message);
}

/// A short option is one letter: an edit distance of one says nothing, so
/// the hint names the long options that start with that letter instead.
[[noreturn]] void UnknownShortOption(const std::string& name,
                                     const std::vector<std::string>& candidates) {
  std::vector<std::string> longNames;
  const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(name[1])));
  for (const std::string& candidate : candidates)
    if (candidate.size() > 2 && candidate.starts_with("--") && candidate[2] == letter &&
        std::find(longNames.begin(), longNames.end(), candidate) == longNames.end())
      longNames.push_back(candidate);
  std::string message = "unknown option " + name;
  if (!longNames.empty())
    message += "; did you mean " + List(longNames) + "?";
  else
    message += "; the short options are -h and -V, the others are long (--help lists them)";
  throw TUsageError(message);
}

}  // namespace

std::string ClosestName(std::string_view word, const std::vector<std::string>& candidates) {
  const std::string_view bare = WithoutDashes(word);
  std::string best;
  size_t bestDistance = bare.size() <= 4 ? 2 : 3;  // anything nearer is a typing mistake
  for (const std::string& candidate : candidates) {
    const size_t distance = EditDistance(bare, WithoutDashes(candidate));
    if (distance < bestDistance) {
      bestDistance = distance;
      best = candidate;
    }
  }
  if (!best.empty() || bare.size() < 3) return best;
  // A start of one name only: "--rec" for "--recursive".
  for (const std::string& candidate : candidates)
    if (const std::string_view name = WithoutDashes(candidate);
        name.size() >= bare.size() && EditDistance(name.substr(0, bare.size()), bare) == 0) {
      if (!best.empty()) return {};
      best = candidate;
    }
  return best;
}

std::string DidYouMean(std::string_view word, const std::vector<std::string>& candidates) {
  const std::string guess = ClosestName(word, candidates);
  return guess.empty() ? std::string() : "; did you mean " + guess + "?";
}

void CheckArguments(const CLI::App& app, const std::vector<std::string>& args) {
  const CLI::App* current = &app;
  bool help = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--") break;
    if (arg.size() > 1 && arg[0] == '-') {
      // "--name=value", "--name value", "-x", "-xVALUE".
      const size_t equals = arg.find('=');
      const std::string name =
          arg[1] == '-' ? arg.substr(0, equals) : arg.substr(0, std::min<size_t>(arg.size(), 2));
      const CLI::Option* option = FindOption(current, name);
      if (!option) {
        if (arg[1] != '-') UnknownShortOption(name, OptionNames(current));
        Unknown("option", name, OptionNames(current), "");
      }
      help |= option == app.get_help_ptr() || option == app.get_version_ptr();
      const bool inlineValue = arg[1] == '-' ? equals != std::string::npos : arg.size() > 2;
      // Flags take no value: the word after one is an option or argument of its own.
      if (option->get_items_expected_max() > 0 && !inlineValue) ++i;  // its value
      continue;
    }
    if (current != &app) continue;  // an argument of the command
    const auto commands = app.get_subcommands([](const CLI::App*) { return true; });
    auto command = std::find_if(commands.begin(), commands.end(),
                                [&](const CLI::App* c) { return c->get_name() == arg; });
    if (command == commands.end())
      Unknown("command", arg, CommandNames(app), "the commands are " + List(CommandNames(app)));
    current = *command;
  }
  if (current == &app && !help)
    throw TUsageError("a command is required: " + List(CommandNames(app)));
}

}  // namespace zan::cli
