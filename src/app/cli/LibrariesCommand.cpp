// zanmig libraries: the catalogue, one library per line: its index, its name,
// the source units whose `uses` entry is extended and the number of classes.
#include <cstdio>
#include <iostream>

#include "app/cli/Commands.h"
#include "engine/ZanReplacer.h"
#include "rtl/Strings.h"

namespace zan::cli {

TCommandRun AddLibrariesCommand(CLI::App& app) {
  app.add_subcommand("libraries", "List the source libraries of the catalogue.");
  return [] {
    const auto libraries = CatalogueLibraries();
    for (size_t i = 0; i < libraries.size(); ++i) {
      const TLibraryInfo& library = libraries[i];
      char line[64];
      std::snprintf(line, sizeof line, "%2zu  %-8s %3zu classes  ", i,
                    Utf16ToUtf8(library.Name).c_str(), library.Pairs.size());
      std::cout << line << Utf16ToUtf8(library.SourceUnits) << "\n";
    }
    return kExitSuccess;
  };
}

}  // namespace zan::cli
