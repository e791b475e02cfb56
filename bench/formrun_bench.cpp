// layer: engine
// Form files in the replace run.
//
// BM_DataModule/N: converting one data module with N TQuery objects (SQL,
// parameters, persistent fields) must take time linear in N: the run works on
// one buffer and restarts its lexer with SetPos after each object. Reported:
// microseconds per object, which must stay flat from N = 500 to 2,000.
//
// BM_FormRunVersusCopy: a whole replace run (BDE, folder scope with
// sub-folders, backups and log on) over a generated tree of 2,000 forms and
// their units, about 100 MB, a third of the forms binary, compared with
// `cp -r` of the same tree in the same run; with backups (the default of a
// run: every changed file is also copied into the backup folder) and without.
// ZAN_BENCH_FORMS overrides the number of forms.
#include <benchmark/benchmark.h>
#include <unistd.h>

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
#include "engine/rewrite/FormRewriter.h"
#include "rtl/Strings.h"
#include "rtl/dfm/FormFile.h"

namespace {

namespace fs = std::filesystem;

/// One TQuery object at level 1 with SQL, a parameter and three fields.
std::string QueryObject(int index) {
  const std::string q = "Query" + std::to_string(index);
  return "  object " + q +
         ": TQuery\r\n"
         "    DatabaseName = 'DBDEMOS'\r\n"
         "    SessionName = 'Default'\r\n"
         "    SQL.Strings = (\r\n"
         "      'select ID, NAME, PRICE, GROUP_ID'\r\n"
         "      'from ITEMS'\r\n"
         "      'where GROUP_ID = :GroupId'\r\n"
         "      'order by NAME')\r\n"
         "    Left = " +
         std::to_string(24 + index % 20 * 40) + "\r\n    Top = " + std::to_string(16 + index / 20) +
         "\r\n"
         "    ParamData = <\r\n"
         "      item\r\n"
         "        DataType = ftInteger\r\n"
         "        Name = 'GroupId'\r\n"
         "        ParamType = ptInput\r\n"
         "      end>\r\n"
         "    object " +
         q +
         "ID: TIntegerField\r\n"
         "      FieldName = 'ID'\r\n"
         "    end\r\n"
         "    object " +
         q +
         "NAME: TStringField\r\n"
         "      FieldName = 'NAME'\r\n"
         "      Size = 40\r\n"
         "    end\r\n"
         "    object " +
         q +
         "PRICE: TFloatField\r\n"
         "      FieldName = 'PRICE'\r\n"
         "      DisplayFormat = '#,##0.00'\r\n"
         "    end\r\n"
         "  end\r\n";
}

std::string DataModule(int objects) {
  std::string text =
      "object DataModule1: TDataModule1\r\n  OldCreateOrder = False\r\n  Height = 600\r\n"
      "  Width = 800\r\n";
  for (int i = 0; i < objects; ++i) {
    text += QueryObject(i);
    text += "  object DataSource" + std::to_string(i) + ": TDataSource\r\n    DataSet = Query" +
            std::to_string(i) + "\r\n    Left = 40\r\n    Top = 80\r\n  end\r\n";
  }
  return text + "end\r\n";
}

void BM_DataModule(benchmark::State& state) {
  const int objects = static_cast<int>(state.range(0));
  zan::TZanCatalogue catalogue;
  zan::TComponentReplacer& replacer = catalogue.Replacer(0);
  const std::unique_ptr<zan::TFormFileStep> made = replacer.MakeFormFileStep();
  auto& step = static_cast<zan::TFormRewriter&>(*made);
  const std::u16string text = zan::Utf8ToUtf16(DataModule(objects));
  std::u16string output;
  for (auto _ : state) {
    const int changes =
        step.ProcessFormText(replacer.FormLookup(), u"DM.dfm", text, u"\r\n", output);
    if (changes != objects) state.SkipWithError("not every object was converted");
    benchmark::DoNotOptimize(output.data());
  }
  state.counters["us/object"] = benchmark::Counter(
      static_cast<double>(objects) * static_cast<double>(state.iterations()) / 1e6,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.SetBytesProcessed(static_cast<int64_t>(text.size() * 2) * state.iterations());
}

BENCHMARK(BM_DataModule)->Arg(500)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

/// A form of about 60 KB (text; 30 KB binary): controls, a picture, four data sets of the BDE.
std::string MakeForm(int index) {
  const std::string name = "Form" + std::to_string(index);
  std::string text = "object " + name + ": T" + name +
                     "\r\n  Left = 192\r\n  Top = 114\r\n  Caption = 'Generated form " +
                     std::to_string(index) +
                     "'\r\n  ClientHeight = 480\r\n  ClientWidth = 640\r\n"
                     "  Font.Charset = DEFAULT_CHARSET\r\n  Font.Color = clWindowText\r\n"
                     "  Font.Height = -11\r\n  Font.Name = 'MS Sans Serif'\r\n"
                     "  Font.Style = []\r\n  OldCreateOrder = False\r\n  PixelsPerInch = 96\r\n"
                     "  TextHeight = 13\r\n";
  text +=
      "  object Panel1: TPanel\r\n    Left = 0\r\n    Top = 0\r\n    Width = 640\r\n"
      "    Height = 41\r\n    Align = alTop\r\n    TabOrder = 0\r\n";
  for (int b = 0; b < 40; ++b)
    text +=
        "    object Button" + std::to_string(b) +
        ": TButton\r\n      Left = " + std::to_string(8 + b * 80) +
        "\r\n      Top = 8\r\n      Width = 75\r\n      Height = 25\r\n      Caption = 'Button " +
        std::to_string(b) + "'\r\n      TabOrder = " + std::to_string(b) +
        "\r\n      OnClick = ButtonClick\r\n    end\r\n";
  text +=
      "  end\r\n  object Image1: TImage\r\n    Left = 8\r\n    Top = 48\r\n"
      "    Width = 256\r\n    Height = 256\r\n    Picture.Data = {\r\n";
  // 24 KB of picture bytes, 32 per line.
  for (int line = 0; line < 768; ++line) {
    text += "      ";
    for (int i = 0; i < 32; ++i) {
      static const char hex[] = "0123456789ABCDEF";
      const int byte = (line * 31 + i * 7 + index) & 0xFF;
      text += hex[byte >> 4];
      text += hex[byte & 15];
    }
    text += line == 767 ? "}\r\n" : "\r\n";
  }
  text += "  end\r\n";
  for (int q = 0; q < 4; ++q) text += QueryObject(q);
  return text + "end\r\n";
}

std::string MakeUnit(int index) {
  const std::string name = "Form" + std::to_string(index);
  std::string text = "unit " + name +
                     ";\r\n\r\ninterface\r\n\r\nuses\r\n  Windows, SysUtils, Classes, Forms, DB, "
                     "DBTables;\r\n\r\ntype\r\n  T" +
                     name + " = class(TForm)\r\n";
  for (int q = 0; q < 4; ++q) text += "    Query" + std::to_string(q) + ": TQuery;\r\n";
  text += "  end;\r\n\r\nvar\r\n  " + name + ": T" + name +
          ";\r\n\r\nimplementation\r\n\r\n{$R *.dfm}\r\n\r\nend.\r\n";
  return text;
}

/// The steps of one changed form file of the whole run, each timed alone:
/// reading (bytes to form text), converting the objects, checking the text,
/// writing (form text to bytes). Arg 0: a text form; 1: the same form binary.
void BM_FormFileSteps(benchmark::State& state) {
  const bool binary = state.range(0) != 0;
  const int step = static_cast<int>(state.range(1));
  std::string bytes = MakeForm(7);
  if (binary) bytes = zan::WriteBinaryForm(zan::Utf8ToUtf16(bytes));
  zan::TZanCatalogue catalogue;
  zan::TComponentReplacer& replacer = catalogue.Replacer(0);
  const std::unique_ptr<zan::TFormFileStep> made = replacer.MakeFormFileStep();
  auto& rewriter = static_cast<zan::TFormRewriter&>(*made);
  const zan::TFormFileText form = zan::ReadFormFile(bytes, u"Form7.dfm", 1252);
  std::u16string output;
  rewriter.ProcessFormText(replacer.FormLookup(), u"Form7.dfm", form.Text, form.LineBreak, output);
  for (auto _ : state) {
    switch (step) {
      case 0:
        benchmark::DoNotOptimize(zan::ReadFormFile(bytes, u"Form7.dfm", 1252));
        break;
      case 1:
        rewriter.ProcessFormText(replacer.FormLookup(), u"Form7.dfm", form.Text, form.LineBreak,
                                 output);
        break;
      case 2:
        zan::CheckFormText(output, u"Form7.dfm", 1252);
        break;
      default:
        benchmark::DoNotOptimize(zan::WriteFormFile(output, form, u"Form7.dfm", 1252));
        break;
    }
  }
  static const char* const names[] = {"read", "convert", "check", "write"};
  state.SetLabel(std::string(binary ? "binary " : "text ") + names[step]);
  state.SetBytesProcessed(static_cast<int64_t>(bytes.size()) * state.iterations());
}

BENCHMARK(BM_FormFileSteps)->ArgsProduct({{0, 1}, {0, 1, 2, 3}})->Unit(benchmark::kMicrosecond);

/// The pristine tree: `forms` forms with their units in folders of 100; every
/// third form binary.
fs::path PristineTree(int forms, uint64_t& bytes) {
  const fs::path root =
      fs::temp_directory_path() / ("zanmig-formbench-" + std::to_string(forms) + "-pristine");
  bytes = 0;
  std::error_code ec;
  fs::remove_all(root, ec);
  for (int i = 0; i < forms; ++i) {
    const fs::path folder = root / ("group" + std::to_string(i / 100));
    if (i % 100 == 0) fs::create_directories(folder);
    std::string form = MakeForm(i);
    if (i % 3 == 0) form = zan::WriteBinaryForm(zan::Utf8ToUtf16(form));
    const std::string unit = MakeUnit(i);
    const std::string stem = "Form" + std::to_string(i);
    std::ofstream(folder / (stem + ".dfm"), std::ios::binary) << form;
    std::ofstream(folder / (stem + ".pas"), std::ios::binary) << unit;
    bytes += form.size() + unit.size();
  }
  return root;
}

void BM_FormRunVersusCopy(benchmark::State& state) {
  const char* env = std::getenv("ZAN_BENCH_FORMS");
  const int forms = env ? std::atoi(env) : 2000;
  uint64_t bytes = 0;
  const fs::path pristine = PristineTree(forms, bytes);
  const fs::path work =
      pristine.parent_path() / ("zanmig-formbench-" + std::to_string(forms) + "-work");
  const fs::path copy =
      pristine.parent_path() / ("zanmig-formbench-" + std::to_string(forms) + "-copy");
  const std::string reset = zan::bench::CopyTreeCommand(pristine, work);
  const std::string cp = zan::bench::CopyTreeCommand(pristine, copy);
  zan::TZanCatalogue catalogue;
  zan::TReplaceOptions& options = catalogue.Options();
  options.Dest = zan::sdDirectory;
  options.Directory = zan::Utf8ToUtf16(work.string());
  options.IncludeSubDirs = true;
  options.MakeBackup = state.range(0) != 0;
  options.BackupDir = zan::Utf8ToUtf16((work.parent_path() / "zanmig-formbench-backup").string());
  options.WriteLog = true;
  zan::TComponentReplacer& replacer = catalogue.Replacer(0);
  zan::TRunReport report;
  zan::TRunContext context = replacer.FrontEndContext();
  context.Report = &report;

  double copyTime = 0, runTime = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::error_code ec;
    fs::remove_all(zan::Utf16ToUtf8(options.BackupDir), ec);
    if (std::system(reset.c_str()) != 0) state.SkipWithError("preparing the tree failed");
    // Each timing starts with nothing waiting to be written, so that neither
    // pays for the writes of what came before it (the run syncs its files).
    ::sync();
    // The baseline: copying the same tree, timed in the same iteration.
    auto start = std::chrono::steady_clock::now();
    if (std::system(cp.c_str()) != 0) state.SkipWithError("cp -r failed");
    copyTime += zan::bench::Seconds(start);
    ::sync();
    state.ResumeTiming();
    start = std::chrono::steady_clock::now();
    zan::TRunPlan plan = zan::Plan(context);
    if (!zan::Execute(plan)) state.SkipWithError("the replace run failed");
    runTime += zan::bench::Seconds(start);
    if (report.ChangedFileCount() != 2 * forms) state.SkipWithError("not every file was changed");
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["forms"] = forms;
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["cp_s"] = copyTime / n;
  state.counters["run_s"] = runTime / n;
  state.counters["ratio"] = runTime / copyTime;
  state.counters["files/s"] = 2 * forms * n / runTime;
  state.counters["MB/s"] = static_cast<double>(bytes) / 1e6 * n / runTime;
  state.counters["peakRSS_MB"] = zan::bench::PeakRssMb();
  std::error_code ec;
  fs::remove_all(work, ec);
  fs::remove_all(copy, ec);
  fs::remove_all(pristine, ec);
  fs::remove_all(zan::Utf16ToUtf8(options.BackupDir), ec);
}

BENCHMARK(BM_FormRunVersusCopy)
    ->ArgName("backups")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kSecond)
    ->Iterations(3);

}  // namespace
