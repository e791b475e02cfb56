// layer: parsing
// Throughput of the form parser: over the data-set objects of the corpus text
// forms (the objects a replace run converts), over every object of those
// forms, and per line on generated objects of growing size (which shows that
// the time per line stays flat).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "parsing/FormParser.h"
#include "rtl/Encoding.h"
#include "rtl/Strings.h"

namespace {

namespace fs = std::filesystem;
using zan::TFormParser;

struct TObjectRef {
  size_t Form;
  int Pos;
  int Length;
};

struct TCorpus {
  std::vector<std::u16string> Forms;
  std::vector<TObjectRef> DataSets;  // objects of the data-access classes
  std::vector<TObjectRef> All;
};

fs::path SharedDir() {
  if (const char* env = std::getenv("ZAN_SHARED_DIR"); env && *env) return env;
  return fs::path(ZAN_SOURCE_DIR) / ".." / "shared";
}

// Loads the text forms and finds every object that parses, remembering its
// length; data-set objects are those of the source libraries' classes.
const TCorpus& Corpus() {
  static const TCorpus corpus = [] {
    TCorpus c;
    const fs::path dir = SharedDir() / "corpus";
    if (!fs::is_directory(dir)) return c;
    static const std::regex dataSet(
        R"(^\s*(object|inherited|inline)\s+\w+\s*:\s*T(IB|ADO|AD|FD|ww)?(Query|Table|StoredProc|DataSet|Database|Connection|Transaction|Command|UpdateSQL|MemTable)\s*$)");
    std::vector<fs::path> paths;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
      if (entry.is_regular_file() &&
          zan::SameText(zan::Utf8ToUtf16(entry.path().extension().string()), u".dfm"))
        paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    TFormParser parser;
    for (const auto& path : paths) {
      std::ifstream in(path, std::ios::binary);
      std::ostringstream bytes;
      bytes << in.rdbuf();
      std::string data = bytes.str();
      if (data.size() >= 3 && data.compare(0, 3, "\xFF\x0A\x00", 3) == 0) continue;
      c.Forms.push_back(data.starts_with(zan::kUtf8Bom) ? zan::Utf8ToUtf16(data.substr(3))
                                                        : zan::AnsiToUnicode(data));
      const std::u16string& text = c.Forms.back();
      for (size_t start = 0; start < text.size();) {
        size_t end = text.find(u'\n', start);
        if (end == std::u16string::npos) end = text.size();
        size_t keyword = start;
        while (keyword < end && text[keyword] == u' ') ++keyword;
        std::u16string_view line = std::u16string_view(text).substr(keyword, end - keyword);
        if (zan::StartsText(u"object ", line) || zan::StartsText(u"inherited ", line) ||
            zan::StartsText(u"inline ", line)) {
          int pos = static_cast<int>(keyword) + 1;
          if (parser.ParseString(text, u"<object>", pos)) {
            TObjectRef ref{c.Forms.size() - 1, static_cast<int>(keyword) + 1,
                           pos - static_cast<int>(keyword) - 1};
            c.All.push_back(ref);
            std::string header = zan::Utf16ToUtf8(zan::TrimRight(line));
            if (std::regex_match(header, dataSet)) c.DataSets.push_back(ref);
          }
        }
        start = end + 1;
      }
    }
    return c;
  }();
  return corpus;
}

void ParseObjects(benchmark::State& state, const std::vector<TObjectRef>& objects) {
  if (objects.empty()) {
    state.SkipWithError("shared/corpus not found (set ZAN_SHARED_DIR)");
    return;
  }
  TFormParser parser;
  int64_t chars = 0;
  for (auto _ : state) {
    for (const auto& object : objects) {
      int pos = object.Pos;
      benchmark::DoNotOptimize(parser.ParseString(Corpus().Forms[object.Form], u"<object>", pos));
      chars += object.Length;
    }
  }
  state.SetBytesProcessed(chars);
  state.counters["objects"] = static_cast<double>(objects.size());
}

void BM_CorpusDataSetObjects(benchmark::State& state) {
  ParseObjects(state, Corpus().DataSets);
}
void BM_CorpusAllObjects(benchmark::State& state) {
  ParseObjects(state, Corpus().All);
}

std::u16string PropertyLines(int n) {
  std::u16string text = u"object Q: TQuery\r\n";
  for (int i = 0; i < n; ++i) text += u"  Prop" + zan::IntToStr(i) + u" = 'value'\r\n";
  return text + u"end\r\n";
}

std::u16string StringListLines(int n) {
  std::u16string text = u"object Q: TQuery\r\n  SQL.Strings = (";
  for (int i = 0; i < n; ++i)
    text += u"\r\n    'select field from table_" + zan::IntToStr(i % 100) + u"'";
  return text + u")\r\nend\r\n";
}

void ParseLines(benchmark::State& state, const std::u16string& text) {
  TFormParser parser;
  for (auto _ : state) {
    int pos = 1;
    benchmark::DoNotOptimize(parser.ParseString(text, u"<object>", pos));
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));  // lines (or levels)
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
}

void BM_PropertyLines(benchmark::State& state) {
  ParseLines(state, PropertyLines(static_cast<int>(state.range(0))));
}
void BM_StringListLines(benchmark::State& state) {
  ParseLines(state, StringListLines(static_cast<int>(state.range(0))));
}

// A value nested `depth` parentheses deep around a number, and the same
// with the last parenthesis missing (the parse fails): items per second are
// levels per second, flat when the time is linear in the depth.
std::u16string NestedValue(int depth, bool closed) {
  std::u16string text = u"object Q: TQuery\r\n  P = ";
  text += std::u16string(static_cast<size_t>(depth), u'(');
  text += u"1";
  text += std::u16string(static_cast<size_t>(closed ? depth : depth - 1), u')');
  return text + u"\r\nend\r\n";
}

void BM_NestedParentheses(benchmark::State& state) {
  ParseLines(state, NestedValue(static_cast<int>(state.range(0)), true));
}
void BM_NestedParenthesesUnclosed(benchmark::State& state) {
  ParseLines(state, NestedValue(static_cast<int>(state.range(0)), false));
}

}  // namespace

BENCHMARK(BM_CorpusDataSetObjects)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CorpusAllObjects)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PropertyLines)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StringListLines)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NestedParentheses)->Arg(20)->Arg(200)->Arg(2000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NestedParenthesesUnclosed)
    ->Arg(20)
    ->Arg(200)
    ->Arg(2000)
    ->Unit(benchmark::kMicrosecond);
