// layer: dfm
// Throughput of the form converter on the corpus forms, and of Free Pascal's
// converter on the same files (a helper built from tests/dfm/fpc/dfmconv.pas;
// it times itself, the process start is not counted).
//
// The picture-form benchmarks time the conversions of one generated form
// whose text is a third hex data, the kind a replace run converts most.
//
// Binary -> text runs over the binary forms of the corpus and counts their
// bytes; text -> binary runs over the text forms (decoded beforehand) and
// counts their characters, which is their size in bytes as files but for the
// few UTF-8 ones.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "rtl/Encoding.h"
#include "rtl/Strings.h"
#include "rtl/dfm/FormFile.h"

namespace {

namespace fs = std::filesystem;

fs::path CorpusDir() {
  const char* env = std::getenv("ZAN_SHARED_DIR");
  return fs::path(env && *env ? env : ZAN_SOURCE_DIR "/../shared") / "corpus";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

struct TCorpus {
  std::vector<fs::path> BinaryPaths, TextPaths;
  std::vector<std::string> Binary;  // whole files
  std::vector<std::u16string> Texts;
  size_t BinaryBytes = 0, TextChars = 0;
};

const TCorpus& Corpus() {
  static const TCorpus corpus = [] {
    TCorpus c;
    std::vector<fs::path> paths;
    for (const auto& e : fs::recursive_directory_iterator(CorpusDir()))
      if (e.is_regular_file() && (e.path().extension() == ".dfm" || e.path().extension() == ".DFM"))
        paths.push_back(e.path());
    std::sort(paths.begin(), paths.end());
    for (const fs::path& p : paths) {
      std::string bytes = ReadFile(p);
      if (zan::IsBinaryFormData(bytes)) {
        c.BinaryPaths.push_back(p);
        c.BinaryBytes += bytes.size();
        c.Binary.push_back(std::move(bytes));
      } else {
        c.TextPaths.push_back(p);
        c.Texts.push_back(bytes.compare(0, 3, zan::kUtf8Bom) == 0
                              ? zan::Decode(bytes.substr(3), zan::TTextEncoding::Utf8)
                              : zan::AnsiToUnicode(bytes, 1252));
      }
    }
    for (const auto& t : c.Texts) c.TextChars += t.size();
    return c;
  }();
  return corpus;
}

void BM_BinaryToText(benchmark::State& state) {
  const TCorpus& c = Corpus();
  for (auto _ : state)
    for (const std::string& file : c.Binary) benchmark::DoNotOptimize(zan::ReadBinaryForm(file));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.BinaryBytes));
  state.counters["files"] = benchmark::Counter(
      static_cast<double>(state.iterations() * c.Binary.size()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BinaryToText)->Unit(benchmark::kMillisecond);

void BM_TextToBinary(benchmark::State& state) {
  const TCorpus& c = Corpus();
  for (auto _ : state)
    for (const std::u16string& text : c.Texts)
      benchmark::DoNotOptimize(zan::ObjectTextToBinary(text));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * c.TextChars));
  state.counters["files"] = benchmark::Counter(
      static_cast<double>(state.iterations() * c.Texts.size()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TextToBinary)->Unit(benchmark::kMillisecond);

/// A form of about 60 KB of text with controls, fields and a 24 KB picture
/// (a third of the text is its hex block), as a replace run meets them.
std::u16string PictureForm() {
  std::string text =
      "object Form1: TForm1\r\n  Left = 192\r\n  Top = 114\r\n  Caption = 'Picture form'\r\n"
      "  Font.Name = 'MS Sans Serif'\r\n  Font.Style = []\r\n  OldCreateOrder = False\r\n";
  for (int b = 0; b < 40; ++b)
    text += "  object Button" + std::to_string(b) +
            ": TButton\r\n    Left = " + std::to_string(8 + b * 80) +
            "\r\n    Top = 8\r\n    Caption = 'Button " + std::to_string(b) +
            "'\r\n    OnClick = ButtonClick\r\n  end\r\n";
  text += "  object Image1: TImage\r\n    Picture.Data = {\r\n";
  for (int line = 0; line < 768; ++line) {
    text += "      ";
    for (int i = 0; i < 32; ++i) {
      static const char hex[] = "0123456789ABCDEF";
      const int byte = (line * 31 + i * 7) & 0xFF;
      text += hex[byte >> 4];
      text += hex[byte & 15];
    }
    text += line == 767 ? "}\r\n" : "\r\n";
  }
  text += "  end\r\n";
  for (int q = 0; q < 20; ++q)
    text += "  object Query" + std::to_string(q) +
            ": TQuery\r\n    SQL.Strings = (\r\n      'select ID, NAME, PRICE'\r\n"
            "      'from PRODUCTS where ID = :ID')\r\n    Left = 40\r\n    Top = 80\r\n"
            "    object Query" +
            std::to_string(q) +
            "PRICE: TFloatField\r\n      FieldName = 'PRICE'\r\n"
            "      DisplayFormat = '#,##0.00'\r\n    end\r\n  end\r\n";
  return zan::Utf8ToUtf16(text + "end\r\n");
}

void BM_PictureFormTextToBinary(benchmark::State& state) {
  const std::u16string text = PictureForm();
  for (auto _ : state) benchmark::DoNotOptimize(zan::ObjectTextToBinary(text));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_PictureFormTextToBinary)->Unit(benchmark::kMicrosecond);

void BM_PictureFormBinaryToText(benchmark::State& state) {
  const std::string file = zan::WriteBinaryForm(PictureForm());
  for (auto _ : state) benchmark::DoNotOptimize(zan::ReadBinaryForm(file));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_PictureFormBinaryToText)->Unit(benchmark::kMicrosecond);

/// Text -> binary -> text, the check a converted form goes through.
void BM_PictureFormRoundTrip(benchmark::State& state) {
  const std::u16string text = PictureForm();
  for (auto _ : state)
    benchmark::DoNotOptimize(zan::ObjectBinaryToText(zan::ObjectTextToBinary(text)));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_PictureFormRoundTrip)->Unit(benchmark::kMicrosecond);

/// Builds the Free Pascal helper once; empty when fpc is missing.
fs::path FpcHelper() {
  static const fs::path helper = [] {
    if (std::system("command -v fpc > /dev/null 2>&1") != 0) return fs::path();
    fs::path dir = fs::temp_directory_path() / "zanmig-dfm-bench-fpc";
    fs::create_directories(dir);
    std::string cmd = "fpc -O2 -FE" + dir.string() +
                      " " ZAN_SOURCE_DIR "/tests/dfm/fpc/dfmconv.pas > " +
                      (dir / "build.log").string() + " 2>&1";
    return std::system(cmd.c_str()) == 0 ? dir / "dfmconv" : fs::path();
  }();
  return helper;
}

/// Runs the helper in its timing mode over `paths`; each iteration's time is
/// the helper's own measurement.
void RunFpc(benchmark::State& state, const char* mode, const std::vector<fs::path>& paths) {
  fs::path helper = FpcHelper();
  if (helper.empty()) {
    state.SkipWithError("fpc not found");
    return;
  }
  fs::path list = helper.parent_path() / (std::string(mode) + ".txt");
  {
    std::ofstream out(list);
    for (const fs::path& p : paths) out << p.string() << '\n';
  }
  const int repeats = 5;
  int64_t bytes = 0;
  for (auto _ : state) {
    std::string cmd =
        helper.string() + " " + mode + " " + list.string() + " " + std::to_string(repeats);
    FILE* pipe = popen(cmd.c_str(), "r");
    long long total = 0, ms = 0;
    if (!pipe || std::fscanf(pipe, "%lld %lld", &total, &ms) != 2) {
      if (pipe) pclose(pipe);
      state.SkipWithError("fpc helper failed");
      return;
    }
    pclose(pipe);
    bytes += total;
    state.SetIterationTime(static_cast<double>(ms) / 1000.0 / repeats);
  }
  state.SetBytesProcessed(bytes / repeats);
}

void BM_FpcBinaryToText(benchmark::State& state) {
  RunFpc(state, "bench-b2t", Corpus().BinaryPaths);
}
BENCHMARK(BM_FpcBinaryToText)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_FpcTextToBinary(benchmark::State& state) {
  RunFpc(state, "bench-t2b", Corpus().TextPaths);
}
BENCHMARK(BM_FpcTextToBinary)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
