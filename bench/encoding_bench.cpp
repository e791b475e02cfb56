// layer: rtl
// Decoding and encoding throughput of the text encodings that source units and
// forms use: Pascal-like text with accented letters, and pure ASCII as most
// form text is.
#include <benchmark/benchmark.h>

#include <string>

#include "rtl/Encoding.h"
#include "rtl/Strings.h"

namespace {

// About 4 MB of Pascal-like text with a sprinkling of accented letters.
std::string SampleAnsi(bool accents = true) {
  std::string unit;
  const std::string line =
      accents ? "  qryClientes.SQL.Add('select * from CLIENTES where C\xD3"
                "DIGO = :pCod'); // coment\xE1rio\r\n"
              : "  qryClientes.SQL.Add('select * from CLIENTES where CODIGO = :pCod');\r\n";
  while (unit.size() < (4u << 20)) unit += line;
  return unit;
}

void BM_DecodeCp1252(benchmark::State& state) {
  const std::string bytes = SampleAnsi();
  for (auto _ : state) benchmark::DoNotOptimize(zan::AnsiToUnicode(bytes, 1252));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_DecodeCp1252);

void BM_DecodeUtf8(benchmark::State& state) {
  const std::string bytes = zan::Utf16ToUtf8(zan::AnsiToUnicode(SampleAnsi(), 1252));
  for (auto _ : state) benchmark::DoNotOptimize(zan::Utf8ToUtf16(bytes));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_DecodeUtf8);

void BM_EncodeCp1252(benchmark::State& state) {
  const std::u16string text = zan::AnsiToUnicode(SampleAnsi(), 1252);
  for (auto _ : state) benchmark::DoNotOptimize(zan::UnicodeToAnsi(text, 1252));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_EncodeCp1252);

void BM_DecodeCp1252Ascii(benchmark::State& state) {
  const std::string bytes = SampleAnsi(false);
  for (auto _ : state) benchmark::DoNotOptimize(zan::AnsiToUnicode(bytes, 1252));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_DecodeCp1252Ascii);

void BM_EncodeCp1252Ascii(benchmark::State& state) {
  const std::u16string text = zan::AnsiToUnicode(SampleAnsi(false), 1252);
  for (auto _ : state) benchmark::DoNotOptimize(zan::UnicodeToAnsi(text, 1252));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_EncodeCp1252Ascii);

}  // namespace
