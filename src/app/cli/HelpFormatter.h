// The help text of `zanmig` and its commands, wrapped to the terminal.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <string_view>

namespace zan::cli {

/// Lays out `--help` as a usage line, the description, the arguments, the
/// options (name and placeholder in one column, the description wrapped
/// beside it, with "(required)", "(with --dir)", "(not with --project)"
/// notes), the commands or the global options, and the footer, every line
/// within Width() columns. CLI11 hands a formatter to the commands added
/// after it is set: set it on the application before adding them.
class THelpFormatter : public CLI::Formatter {
 public:
  /// Lays out at most `width` columns (0: TerminalColumns()).
  explicit THelpFormatter(size_t width = 0) : FWidth(width) {}

  std::string make_help(const CLI::App* app, std::string name,
                        CLI::AppFormatMode mode) const override;

  size_t Width() const;

 private:
  std::string OptionList(const CLI::App& app, bool positional, bool withHelp) const;

  size_t FWidth;
};

/// The width help is laid out in: the terminal's on a terminal, else
/// $COLUMNS, else 80; never under 40 and at most 100 (longer lines read badly).
size_t TerminalColumns();

/// `text` wrapped at blanks into lines of at most `width` columns (a longer
/// word stays whole); its own line breaks are kept. Lines after the first
/// are indented by `indent` blanks, which count in the width; the first
/// line is assumed to start at column `indent`.
std::string WrapText(std::string_view text, size_t width, size_t indent);

}  // namespace zan::cli
