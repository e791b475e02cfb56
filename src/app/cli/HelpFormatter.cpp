#include "app/cli/HelpFormatter.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace zan::cli {

namespace {

constexpr size_t kMinWidth = 40;
constexpr size_t kMaxWidth = 100;
/// The option column never takes more; a longer entry puts its description
/// on the next line.
constexpr size_t kMaxNameColumn = 26;

/// Columns taken by UTF-8 text (one per character).
size_t Columns(std::string_view text) {
  return static_cast<size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string Join(const std::vector<std::string>& parts, std::string_view separator) {
  std::string joined;
  for (const std::string& part : parts) {
    if (!joined.empty()) joined += separator;
    joined += part;
  }
  return joined;
}

/// "-h, --help", "--library NAME", "UNDO_FILE".
std::string OptionEntry(const CLI::Option& option) {
  if (option.get_positional()) return option.get_name();
  std::vector<std::string> names;
  for (const std::string& name : option.get_snames()) names.push_back("-" + name);
  for (const std::string& name : option.get_lnames()) names.push_back("--" + name);
  std::string entry = Join(names, ", ");
  // CLI11 appends what a check wants to the placeholder ("INI:FILE"): the
  // description says it.
  const std::string placeholder =
      option.get_type_name().substr(0, option.get_type_name().find(':'));
  if (option.get_type_size_max() > 0 && !placeholder.empty()) entry += " " + placeholder;
  return entry;
}

/// The description with what the parser enforces about the option.
std::string OptionNotes(const CLI::Option& option) {
  std::string text = option.get_description();
  std::vector<std::string> notes;
  if (option.get_required() && !option.get_positional()) notes.push_back("required");
  if (option.get_expected_max() >= CLI::detail::expected_max_vector_size)
    notes.push_back("repeatable");
  for (const CLI::Option* other : option.get_needs()) notes.push_back("with " + other->get_name());
  for (const CLI::Option* other : option.get_excludes())
    notes.push_back("not with " + other->get_name());
  if (!notes.empty()) text += " (" + Join(notes, "; ") + ")";
  return text;
}

/// Options that are not the help or version flag (those are listed last).
bool IsHelpOrVersion(const CLI::App& app, const CLI::Option* option) {
  return option == app.get_help_ptr() || option == app.get_version_ptr();
}

/// "zanmig replace [OPTIONS] ..." for a command, "zanmig [OPTIONS] COMMAND ..." for the top.
std::string UsageLine(const CLI::App& app, const std::string& name) {
  std::string line = "Usage: " + name;
  const auto commands = app.get_subcommands([](const CLI::App*) { return true; });
  if (!commands.empty()) return line + " [GLOBAL OPTIONS] COMMAND [OPTIONS] [ARGUMENTS]";
  for (const CLI::Option* option : app.get_options(
           [](const CLI::Option* o) { return o->nonpositional() && o->get_required(); }))
    line += " " + OptionEntry(*option);
  line += " [OPTIONS]";
  for (const CLI::Option* option :
       app.get_options([](const CLI::Option* o) { return o->get_positional(); }))
    line += " " + (option->get_required() ? option->get_name() : "[" + option->get_name() + "]");
  return line;
}

}  // namespace

size_t TerminalColumns() {
  size_t width = 0;
  winsize size{};
  if (isatty(STDOUT_FILENO) && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0) width = size.ws_col;
  if (width == 0)
    if (const char* columns = std::getenv("COLUMNS")) width = std::strtoul(columns, nullptr, 10);
  if (width == 0) width = 80;
  return std::clamp(width, kMinWidth, kMaxWidth);
}

std::string WrapText(std::string_view text, size_t width, size_t indent) {
  std::string out;
  size_t start = 0;
  bool firstLine = true;
  while (start <= text.size()) {
    const size_t end = std::min(text.find('\n', start), text.size());
    const std::string_view paragraph = text.substr(start, end - start);
    // A line's own indentation (an example command) carries on to its continuation lines.
    const size_t own = std::min(paragraph.find_first_not_of(' '), paragraph.size());
    const size_t room = width > indent + own + 20 ? width - indent - own : 20;
    const std::string margin(indent + own, ' ');
    if (!firstLine) out += "\n" + std::string(indent, ' ');
    firstLine = false;
    out += paragraph.substr(0, own);
    // Words are packed greedily; a word longer than the room gets a line of its own.
    size_t used = 0;
    size_t pos = own;
    while (pos < paragraph.size()) {
      const size_t wordEnd = std::min(paragraph.find(' ', pos), paragraph.size());
      const std::string_view word = paragraph.substr(pos, wordEnd - pos);
      pos = wordEnd + 1;
      if (word.empty()) continue;
      const size_t columns = Columns(word);
      if (used > 0 && used + 1 + columns > room) {
        out += "\n" + margin;
        used = 0;
      }
      if (used > 0) {
        out += ' ';
        ++used;
      }
      out += word;
      used += columns;
    }
    if (end == text.size()) break;
    start = end + 1;
  }
  return out;
}

size_t THelpFormatter::Width() const {
  return FWidth ? FWidth : TerminalColumns();
}

std::string THelpFormatter::OptionList(const CLI::App& app, bool positional, bool withHelp) const {
  std::vector<const CLI::Option*> options = app.get_options([&](const CLI::Option* o) {
    return o->get_positional() == positional && !o->get_group().empty() &&
           (withHelp || !IsHelpOrVersion(app, o));
  });
  // The help and version flags go last, after the options of the command.
  std::stable_partition(options.begin(), options.end(),
                        [&](const CLI::Option* o) { return !IsHelpOrVersion(app, o); });
  size_t column = 0;
  for (const CLI::Option* option : options)
    column = std::max(column, Columns(OptionEntry(*option)) + 4);
  column = std::min(column, kMaxNameColumn);
  const size_t width = Width();
  std::string out;
  for (const CLI::Option* option : options) {
    std::string line = "  " + OptionEntry(*option);
    if (Columns(line) + 2 > column)
      line += "\n" + std::string(column, ' ');
    else
      line += std::string(column - Columns(line), ' ');
    out += line + WrapText(OptionNotes(*option), width, column) + "\n";
  }
  return out;
}

std::string THelpFormatter::make_help(const CLI::App* app, std::string name,
                                      CLI::AppFormatMode) const {
  const size_t width = Width();
  std::string out = WrapText(UsageLine(*app, name), width, 7) + "\n";
  if (!app->get_description().empty())
    out += "\n" + WrapText(app->get_description(), width, 0) + "\n";

  if (std::string arguments = OptionList(*app, true, true); !arguments.empty())
    out += "\nArguments:\n" + arguments;
  if (std::string options = OptionList(*app, false, true); !options.empty())
    out += "\nOptions:\n" + options;

  const auto commands = app->get_subcommands([](const CLI::App*) { return true; });
  if (!commands.empty()) {
    size_t column = 0;
    for (const CLI::App* command : commands)
      column = std::max(column, Columns(command->get_name()) + 4);
    out += "\nCommands:\n";
    for (const CLI::App* command : commands) {
      std::string line = "  " + command->get_name();
      line += std::string(column - Columns(line), ' ');
      out += line + WrapText(command->get_description(), width, column) + "\n";
    }
  }
  if (const CLI::App* parent = app->get_parent()) {
    if (std::string global = OptionList(*parent, false, false); !global.empty())
      out += "\nGlobal options (before or after the command):\n" + global;
  }
  if (!app->get_footer().empty()) out += "\n" + WrapText(app->get_footer(), width, 0) + "\n";
  return out;
}

}  // namespace zan::cli
