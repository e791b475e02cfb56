// layer: engine
// Feeds arbitrary bytes to the rule-file reader as a BDE rule file. Either
// the rules load or the reader throws EUserRulesError naming the file; no
// other exception escapes. Loaded rules then rewrite a small unit and
// register their target classes (an `inherits` the registry does not know is
// an EUserRulesError too).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/catalogue/ZanReplacer.h"
#include "engine/rewrite/SourceRewriter.h"
#include "engine/rules/UserRules.h"
#include "rtl/ClassRegistry.h"

namespace {

constexpr std::u16string_view kUnit =
    u"unit U;\r\ninterface\r\nuses DBTables, VendorData;\r\ntype T = class(TVendorTable)\r\n"
    u"  Q: TQuery;\r\nend;\r\nimplementation\r\n{$R *.dfm}\r\nend.\r\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static zan::TZanCatalogue catalogue;
  zan::TUserRules rules;
  try {
    rules.LoadFromText(std::string_view(reinterpret_cast<const char*>(data), size), u"rules.toml",
                       0);
    zan::TSourceRewriter rewriter(catalogue.Replacer(0), &rules);
    (void)rewriter.Rewrite(kUnit);
    zan::TClassRegistry registry;
    registry.RegisterTargetLibrary();
    rules.RegisterTargetClasses(registry);
  } catch (const zan::EUserRulesError& e) {
    if (!std::string_view(e.what()).starts_with("rules.toml")) __builtin_trap();
  }
  return 0;
}
