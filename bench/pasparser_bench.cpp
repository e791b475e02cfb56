// layer: parsing
// Lexing throughput of the Pascal lexer over text already decoded to UTF-16,
// every lexeme's code and text produced. Throughput is counted in characters
// (UTF-16 code units): the reported bytes/s are characters per second, i.e.
// half the rate in UTF-16 bytes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "parsing/PasParser.h"
#include "rtl/Encoding.h"
#include "rtl/Strings.h"

namespace {

// A small deterministic generator, so that every run lexes the same text.
struct TRandom {
  uint64_t state = 0x9E3779B97F4A7C15ull;
  uint32_t Next(uint32_t bound) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>((state >> 33) % bound);
  }
};

// A unit in the style of a data module: uses clause with scoped names, a class
// with component fields, methods with SQL strings, comments of all three
// kinds, numbers and character codes. Repeated with varying names up to
// `chars` characters.
std::u16string GenerateUnit(size_t chars) {
  static const char* const kTypes[] = {"TQuery",  "TTable",       "TDataSource",  "TDatabase",
                                       "TButton", "TLabel",       "TEdit",        "TDBGrid",
                                       "TPanel",  "TStringField", "TIntegerField"};
  static const char* const kWords[] = {"Customer", "Order",  "Invoice", "Item",  "Amount",
                                       "Total",    "Status", "Name",    "Price", "Äbersicht"};
  TRandom rnd;
  std::string s =
      "unit DataModuleMain;\r\n\r\n{ Data access of the main form. }\r\n\r\ninterface\r\n\r\n"
      "uses\r\n  Winapi.Windows, System.SysUtils, System.Classes, Data.DB, DBTables,\r\n"
      "  Vcl.Forms, Vcl.Controls, Vcl.Grids, Vcl.DBGrids;\r\n\r\n";
  int block = 0;
  while (s.size() < chars) {
    const std::string cls = "TDataModule" + std::to_string(block);
    s += "type\r\n  " + cls + " = class(TDataModule)\r\n";
    for (int i = 0; i < 12; ++i) {
      s += "    ";
      s += kWords[rnd.Next(10)];
      s += std::to_string(i) + ": " + kTypes[rnd.Next(11)] + ";\r\n";
    }
    s += "    procedure DataModuleCreate(Sender: TObject);\r\n"
         "  private\r\n    FCount: Integer; // rows read so far\r\n"
         "  public\r\n    property Count: Integer read FCount;\r\n  end;\r\n\r\n"
         "implementation\r\n\r\n{$R *.dfm}\r\n\r\n";
    s += "procedure " + cls +
         ".DataModuleCreate(Sender: TObject);\r\nvar\r\n  I: Integer;\r\n"
         "  S: string;\r\nbegin\r\n";
    for (int i = 0; i < 8; ++i) {
      const char* word = kWords[rnd.Next(10)];
      s += "  (* step " + std::to_string(i) + " *)\r\n";
      s += "  Query" + std::to_string(i) + ".SQL.Text := 'SELECT * FROM ";
      s += word;
      s += " WHERE Name = ''O''''Brien'' AND Id > ' + IntToStr(" +
           std::to_string(rnd.Next(100000)) + ");\r\n";
      s += "  if (FCount >= $" + std::to_string(rnd.Next(0xFFFF)) + ") and (I < 1.5E+3) then\r\n";
      s += "    S := S + #13#10 + 'Line ' + IntToStr(I) // next line\r\n  else\r\n";
      s += "    FCount := FCount + 1; { counter }\r\n";
    }
    s += "end;\r\n\r\n";
    ++block;
  }
  s += "end.\r\n";
  return zan::Utf8ToUtf16(s);
}

const std::u16string& Unit() {
  static const std::u16string unit = GenerateUnit(4 << 20);
  return unit;
}

// Every lexeme through GetNext into the caller's string, as the rewriting does.
void BM_LexUnitGetNext(benchmark::State& state) {
  const std::u16string& unit = Unit();
  zan::TPasParser lexer;
  std::u16string text;
  int64_t lexemes = 0;
  for (auto _ : state) {
    lexer.SetTextRef(unit);
    int code;
    while ((code = lexer.GetNext(text)) != zan::lexEnd) {
      benchmark::DoNotOptimize(code);
      benchmark::DoNotOptimize(text.data());
      ++lexemes;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * unit.size()));
  state.counters["lexemes/s"] =
      benchmark::Counter(static_cast<double>(lexemes), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LexUnitGetNext)->Unit(benchmark::kMillisecond);

// Every lexeme as a view into the text: no copying at all.
void BM_LexUnitView(benchmark::State& state) {
  const std::u16string& unit = Unit();
  zan::TPasParser lexer;
  for (auto _ : state) {
    lexer.SetTextRef(unit);
    for (const zan::TLexeme* lex = &lexer.Next(); lex->Code != zan::lexEnd; lex = &lexer.Next())
      benchmark::DoNotOptimize(lex->Text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * unit.size()));
}
BENCHMARK(BM_LexUnitView)->Unit(benchmark::kMillisecond);

// The text forms of the shared corpus, decoded once (UTF-8 after a byte-order
// mark, else code page 1252); binary forms are skipped.
const std::vector<std::u16string>& CorpusForms() {
  static const std::vector<std::u16string> forms = [] {
    std::vector<std::u16string> result;
    namespace fs = std::filesystem;
    fs::path shared = fs::path(ZAN_SOURCE_DIR) / ".." / "shared";
    if (const char* env = std::getenv("ZAN_SHARED_DIR"); env && *env) shared = env;
    std::error_code ec;
    if (!fs::is_directory(shared / "corpus", ec)) return result;
    std::vector<fs::path> paths;
    for (const auto& entry : fs::recursive_directory_iterator(shared / "corpus")) {
      std::string ext = entry.path().extension().string();
      std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
      if (entry.is_regular_file() && ext == ".dfm") paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end());
    for (const auto& path : paths) {
      std::ifstream in(path, std::ios::binary);
      std::ostringstream bytes;
      bytes << in.rdbuf();
      const std::string data = bytes.str();
      if (data.compare(0, 3, "\xFF\x0A\x00", 3) == 0) continue;
      if (data.compare(0, zan::kUtf8Bom.size(), zan::kUtf8Bom) == 0)
        result.push_back(zan::Utf8ToUtf16(std::string_view(data).substr(zan::kUtf8Bom.size())));
      else
        result.push_back(zan::AnsiToUnicode(data, 1252));
    }
    return result;
  }();
  return forms;
}

void BM_LexCorpusForms(benchmark::State& state) {
  const std::vector<std::u16string>& forms = CorpusForms();
  if (forms.empty()) {
    state.SkipWithError("shared/corpus not found (set ZAN_SHARED_DIR)");
    return;
  }
  size_t chars = 0;
  for (const auto& form : forms) chars += form.size();
  zan::TPasParser lexer;
  std::u16string text;
  for (auto _ : state) {
    for (const auto& form : forms) {
      lexer.SetTextRef(form);
      int code;
      while ((code = lexer.GetNext(text)) != zan::lexEnd) benchmark::DoNotOptimize(code);
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * chars));
  state.counters["files/s"] = benchmark::Counter(
      static_cast<double>(state.iterations() * forms.size()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LexCorpusForms)->Unit(benchmark::kMillisecond);

}  // namespace
