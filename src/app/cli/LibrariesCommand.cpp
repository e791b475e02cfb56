// zanmig libraries: the catalogue, one library per line: its index, its name,
// the source units whose `uses` entry is extended and the number of replace pairs.
#include <cstdio>
#include <iostream>

#include "app/cli/Commands.h"
#include "engine/catalogue/ZanReplacer.h"
#include "rtl/Strings.h"

namespace zan::cli {

std::vector<std::string> CatalogueNames() {
  std::vector<std::string> names;
  for (const TLibraryInfo& library : CatalogueLibraries())
    names.push_back(Utf16ToUtf8(library.Name));
  return names;
}

TCommandRun AddLibrariesCommand(CLI::App& app) {
  CLI::App* cmd = app.add_subcommand(
      "libraries", "List the source libraries of the catalogue: index, name, source units, pairs.");
  cmd->footer("The name (any letter case) or the index is what `replace --library` takes.");
  return [] {
    const auto libraries = CatalogueLibraries();
    for (size_t i = 0; i < libraries.size(); ++i) {
      const TLibraryInfo& library = libraries[i];
      char head[32];
      std::snprintf(head, sizeof head, "%2zu  %-8s ", i, Utf16ToUtf8(library.Name).c_str());
      std::cout << head << Utf16ToUtf8(library.SourceUnits) << "  (" << library.Pairs.size()
                << " pairs)\n";
    }
    return kExitSuccess;
  };
}

}  // namespace zan::cli
