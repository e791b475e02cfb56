// layer: engine
// Loading a rule file grows linearly with its rules: a generated BDE file of
// N pairs, each with a property rule, a constant and a target class of its
// own, read and its target classes registered. The fitted complexity should
// come out as O(N).
#include <benchmark/benchmark.h>

#include <string>

#include "engine/rules/UserRules.h"
#include "rtl/ClassRegistry.h"

namespace zan {
namespace {

std::string RuleFile(int64_t pairs) {
  std::string text = "library = \"BDE\"\n";
  for (int64_t i = 0; i < pairs; ++i) {
    const std::string n = std::to_string(i);
    text += "[[pair]]\nsource = \"TVendor" + n + "\"\ntarget = \"TZan" + n +
            "\"\nrules-of = \"TQuery\"\n"
            "[[property]]\nclass = \"TVendor" +
            n + "\"\nname = \"Link" + n +
            "\"\nrename = \"Connection\"\n"
            "[[set]]\nclass = \"TVendor" +
            n +
            "\"\nname = \"FetchAll\"\nvalue = \"True\"\n"
            "[[target-class]]\nname = \"TZan" +
            n + "\"\nproperties = [\"Connection\"]\n";
  }
  return text;
}

void BM_LoadRuleFile(benchmark::State& state) {
  const std::string text = RuleFile(state.range(0));
  for (auto _ : state) {
    TUserRules rules;
    rules.LoadFromText(text, u"rules.toml", 0);
    TClassRegistry registry;
    rules.RegisterTargetClasses(registry);
    benchmark::DoNotOptimize(rules.Entries().size());
  }
  state.SetComplexityN(state.range(0));
  state.counters["rules/s"] = benchmark::Counter(static_cast<double>(state.range(0)) * 4,
                                                 benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_LoadRuleFile)
    ->RangeMultiplier(4)
    ->Range(1 << 10, 1 << 16)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace
}  // namespace zan
