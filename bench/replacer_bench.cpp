// layer: engine
// A whole replace run over a generated tree of 10,000 units (about 100 MB),
// compared with `cp -r` of the same tree in the same run; and the same run
// over an in-memory tree, which measures the engine without the disk.
//
// Each iteration copies the pristine tree with `cp -r` (the baseline, timed),
// then runs the BDE replacer over the copy (timed; folder scope with
// sub-folders, backups and log on). Reported: the ratio of the two times,
// files/s and MB/s of the run, and the peak resident memory of the process,
// which must follow the largest file, not the tree. ZAN_BENCH_UNITS overrides
// the number of units.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "WholeRun.h"
#include "engine/RunPlan.h"
#include "engine/catalogue/Replacer.h"
#include "engine/catalogue/ZanReplacer.h"
#include "engine/report/RunReport.h"
#include "rtl/FileSystem.h"
#include "rtl/Strings.h"
#include "support/MemoryFileSystem.h"

namespace {

namespace fs = std::filesystem;

/// A unit of about `size` bytes: a uses clause, a form class with data-set
/// fields, methods with SQL strings and comments. Every second unit uses the
/// BDE and is changed by the run; the others are read and left alone.
std::string MakeUnit(int index, size_t size) {
  const bool bde = index % 2 == 0;
  const std::string name = "Unit" + std::to_string(index);
  std::string text = "unit " + name + ";\r\n\r\n{ Generated unit " + std::to_string(index) +
                     " }\r\n\r\ninterface\r\n\r\nuses\r\n  Windows, Messages, SysUtils, Classes, "
                     "Graphics, Controls, Forms, Dialogs, DB, " +
                     std::string(bde ? "DBTables" : "ADODB") +
                     ", Grids, DBGrids;\r\n\r\ntype\r\n  T" + name + "Form = class(TForm)\r\n";
  const char* dataSet = bde ? "TQuery" : "TDataSetX";
  for (int f = 0; f < 12; ++f)
    text += "    Query" + std::to_string(f) + ": " + dataSet + ";\r\n    DataSource" +
            std::to_string(f) + ": TDataSource;\r\n";
  text +=
      "  private\r\n    { Private declarations }\r\n  public\r\n    procedure LoadData;\r\n"
      "  end;\r\n\r\nvar\r\n  " +
      name + "Form: T" + name +
      "Form;\r\n\r\nimplementation\r\n\r\n"
      "{$R *.dfm}\r\n\r\n";
  int method = 0;
  while (text.size() + 600 < size) {
    text += "procedure T" + name + "Form.Method" + std::to_string(method) +
            "(const AValue: Integer);\r\nvar\r\n  Q: " + dataSet +
            ";\r\n  I: Integer;\r\nbegin\r\n  // Opens the query and walks its records\r\n"
            "  Q := " +
            dataSet +
            ".Create(Self);\r\n  try\r\n"
            "    Q.SQL.Text := 'SELECT ID, NAME, PRICE FROM ITEMS WHERE GROUP_ID = ' + "
            "IntToStr(AValue);\r\n    Q.Open;\r\n    for I := 0 to Q.FieldCount - 1 do\r\n"
            "      if Q.Fields[I].IsNull then\r\n        Inc(FCount, $10);\r\n"
            "    (* totals *) FTotal := FTotal + Q.FieldByName('PRICE').AsFloat * 1.5;\r\n"
            "  finally\r\n    Q.Free;\r\n  end;\r\nend;\r\n\r\n";
    ++method;
  }
  text += "procedure T" + name + "Form.LoadData;\r\nbegin\r\nend;\r\n\r\nend.\r\n";
  return text;
}

/// Generates the pristine tree once: `units` units in folders of 100.
fs::path PristineTree(int units, uint64_t& bytes) {
  const fs::path root =
      fs::temp_directory_path() / ("zanmig-bench-" + std::to_string(units) + "-pristine");
  bytes = 0;
  std::error_code ec;
  fs::remove_all(root, ec);
  for (int i = 0; i < units; ++i) {
    const fs::path folder = root / ("group" + std::to_string(i / 100));
    if (i % 100 == 0) fs::create_directories(folder);
    const std::string text = MakeUnit(i, 10000);
    std::ofstream(folder / ("Unit" + std::to_string(i) + ".pas"), std::ios::binary) << text;
    bytes += text.size();
  }
  return root;
}

void BM_ReplaceRunVersusCopy(benchmark::State& state) {
  const char* env = std::getenv("ZAN_BENCH_UNITS");
  const int units = env ? std::atoi(env) : 10000;
  uint64_t bytes = 0;
  const fs::path pristine = PristineTree(units, bytes);
  const fs::path work =
      pristine.parent_path() / ("zanmig-bench-" + std::to_string(units) + "-work");
  const std::string cp = zan::bench::CopyTreeCommand(pristine, work);
  zan::TZanCatalogue catalogue;
  zan::TReplaceOptions& options = catalogue.Options();
  options.Dest = zan::sdDirectory;
  options.Directory = zan::Utf8ToUtf16(work.string());
  options.IncludeSubDirs = true;
  options.MakeBackup = true;
  options.BackupDir = zan::Utf8ToUtf16((work.parent_path() / "zanmig-bench-backup").string());
  options.WriteLog = true;
  zan::TComponentReplacer& replacer = catalogue.Replacer(0);

  double copyTime = 0, runTime = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::error_code ec;
    fs::remove_all(zan::Utf16ToUtf8(options.BackupDir), ec);
    auto start = std::chrono::steady_clock::now();
    if (std::system(cp.c_str()) != 0) state.SkipWithError("cp -r failed");
    copyTime += zan::bench::Seconds(start);
    state.ResumeTiming();
    start = std::chrono::steady_clock::now();
    if (!replacer.PerformReplace()) state.SkipWithError("the replace run failed");
    runTime += zan::bench::Seconds(start);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["units"] = units;
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["cp_s"] = copyTime / n;
  state.counters["run_s"] = runTime / n;
  state.counters["ratio"] = runTime / copyTime;
  state.counters["files/s"] = units * n / runTime;
  state.counters["MB/s"] = static_cast<double>(bytes) / 1e6 * n / runTime;
  state.counters["peakRSS_MB"] = zan::bench::PeakRssMb();
  std::error_code ec;
  fs::remove_all(work, ec);
  fs::remove_all(pristine, ec);
  fs::remove_all(zan::Utf16ToUtf8(options.BackupDir), ec);
}

BENCHMARK(BM_ReplaceRunVersusCopy)->Unit(benchmark::kSecond)->Iterations(3);

/// The same run over an in-memory tree of 1,000 units: the engine's own cost
/// (decoding, lexing, rewriting, encoding, backups) without the disk's.
void BM_ReplaceRunInMemory(benchmark::State& state) {
  const int units = 1000;
  zan::TMemoryFileSystem pristine;
  uint64_t bytes = 0;
  for (int i = 0; i < units; ++i) {
    const std::string text = MakeUnit(i, 10000);
    pristine.AddFile(
        u"/work/group" + zan::IntToStr(i / 100) + u"/Unit" + zan::IntToStr(i) + u".pas", text);
    bytes += text.size();
  }
  zan::TZanCatalogue catalogue;
  zan::TReplaceOptions& options = catalogue.Options();
  options.Dest = zan::sdDirectory;
  options.Directory = u"/work";
  options.IncludeSubDirs = true;
  options.BackupDir = u"/backup";
  zan::TComponentReplacer& replacer = catalogue.Replacer(0);
  for (auto _ : state) {
    state.PauseTiming();
    auto fs = std::make_unique<zan::TMemoryFileSystem>();
    for (const auto& [path, text] : pristine.FilesUnder(u"/work"))
      fs->AddFile(u"/work/" + path, text);
    zan::TRunContext context = replacer.FrontEndContext();
    context.FileSystem = fs.get();
    state.ResumeTiming();
    zan::TRunPlan plan = zan::Plan(context);
    if (!zan::Execute(plan)) state.SkipWithError("the replace run failed");
    state.PauseTiming();
    fs.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
  state.SetItemsProcessed(static_cast<int64_t>(units) * state.iterations());
}

BENCHMARK(BM_ReplaceRunInMemory)->Unit(benchmark::kMillisecond);

}  // namespace
