// The catalogue: the fixed set of conversions the program offers, one
// TComponentReplacer per group of source libraries, in catalogue order (index
// 0 BDE ... 11 FIBPlus), all sharing one TReplaceOptions.
//
// The catalogue's content is static data (TLibraryInfo); TZanCatalogue builds
// the options and the twelve replacers from it and owns them: the replacers
// are freed in catalogue order, then the options. Whoever runs conversions
// owns one: the command line for a run, the plug-in while it is loaded.
#pragma once

#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "engine/catalogue/ReplaceOptions.h"
#include "engine/catalogue/Replacer.h"

namespace zan {

/// One source class and its Zanthe class.
struct TReplacePair {
  std::u16string_view OldComp;
  std::u16string_view NewComp;
};

/// One entry of the catalogue.
struct TLibraryInfo {
  std::u16string_view Name;         // as the command line and the wizard name it
  std::u16string_view SourceUnits;  // comma-separated, no blanks
  std::u16string_view TargetUses;   // the units a unit with renamed classes gets
  std::span<const TReplacePair> Pairs;
};

/// The source name of the shared options (its caption adds " Migration Wizard").
inline constexpr std::u16string_view kCatalogueSourceName =
    u"BDE/IBX/ADO/Kyrel/Fenmark/Sarvo/Trindle/Elvast/Wenrod/AnyDAC/FireDAC/FIBPlus";

/// The twelve libraries in catalogue order.
std::span<const TLibraryInfo> CatalogueLibraries();

/// The catalogue index of a library given by name (any letter case) or by its
/// index ("0" to "11"); -1 when there is none.
int FindCatalogueLibrary(std::u16string_view nameOrIndex);

class TZanCatalogue {
 public:
  TZanCatalogue();
  ~TZanCatalogue();
  TZanCatalogue(const TZanCatalogue&) = delete;
  TZanCatalogue& operator=(const TZanCatalogue&) = delete;

  TReplaceOptions& Options() { return *FOptions; }
  int Count() const { return static_cast<int>(FReplacers.size()); }
  /// The replacer at catalogue index `index` (asserted to be valid).
  TComponentReplacer& Replacer(int index);

 private:
  std::unique_ptr<TReplaceOptions> FOptions;
  std::vector<std::unique_ptr<TComponentReplacer>> FReplacers;
};

}  // namespace zan
