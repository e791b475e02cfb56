// Differential test against Free Pascal's converter: for every corpus form
// both converters must read the same values. The Pascal helper is built from
// tests/dfm/fpc/dfmconv.pas into the build folder at test time.
//
// Comparison: binary forms are read by FPC into text, that text is read back
// by our text reader, and the values of the result are compared with the
// original stream's; text forms are converted to binary by both, and the two
// streams' values are compared. Values are compared as TStreamDump prints
// them (integer widths, string kinds and float digits beyond 12 do not
// count). Known FPC quirks:
//  - its binary reader refuses streams holding a Null value (value type 0:
//    "Invalid property type from streamed property: 0"), 14 of the corpus;
//  - its text reader ignores the suffixes c and d (currency and date values
//    become extended values of the number shown) and writes Null as an
//    identifier;
//  - its text reader does not know a byte-order mark nor UTF-8 names (the 4
//    UTF-8 text forms of the corpus).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "common/TestUtil.h"
#include "dfm/FpcHelper.h"
#include "dfm/StreamDump.h"
#include "rtl/Encoding.h"
#include "rtl/dfm/FormFile.h"

namespace zan {
namespace {

namespace fs = std::filesystem;

std::u16string DecodeTextForm(const std::string& bytes) {
  if (bytes.compare(0, 3, kUtf8Bom) == 0) return Decode(bytes.substr(3), TTextEncoding::Utf8);
  return AnsiToUnicode(bytes, 1252);
}

std::string StreamOf(const std::string& file) {
  if (!HasResourceHeader(file)) return file;
  TRCData header;
  size_t start = ReadResourceHeader(file, header, "");
  return file.substr(start, header.Size);
}

/// Runs the helper over the corpus files of one kind; returns the outputs by
/// input and the files FPC failed on, with its message.
struct TFpcRun {
  std::vector<std::pair<fs::path, fs::path>> Files;
  std::map<std::string, std::string> Failures;
};

TFpcRun RunFpc(bool binary, const fs::path& helper, const fs::path& work) {
  TFpcRun run;
  fs::create_directories(work);
  std::ofstream list(work / "list.txt");
  int n = 0;
  for (const auto& path : test::CorpusFiles({".dfm"})) {
    if (test::IsBinaryForm(test::ReadFileBytes(path)) != binary) continue;
    fs::path out = work / (std::to_string(n++) + ".out");
    fs::remove(out);
    run.Files.emplace_back(path, out);
    list << path.string() << '\t' << out.string() << '\n';
  }
  list.close();
  std::string cmd = helper.string() + (binary ? " b2t " : " t2b ") + (work / "list.txt").string() +
                    " 2> " + (work / "errors.txt").string();
  EXPECT_EQ(std::system(cmd.c_str()), 0);
  std::ifstream errors(work / "errors.txt");
  for (std::string line; std::getline(errors, line);) {
    size_t colon = line.find(": ");
    run.Failures[line.substr(0, colon)] = line.substr(colon + 2);
  }
  return run;
}

TEST(FormFpcDifferential, BinaryFormsReadTheSameValues) {
  ZAN_REQUIRE_CORPUS();
  fs::path helper = test::FpcHelper();
  if (helper.empty()) GTEST_SKIP() << "fpc not found: the differential test needs Free Pascal";
  TFpcRun run = RunFpc(true, helper, fs::path(ZAN_BINARY_DIR) / "dfm-fpc" / "b2t");
  int same = 0, unreadable = 0;
  for (const auto& [path, out] : run.Files) {
    if (run.Failures.count(path.string())) continue;
    std::string original = StreamOf(test::ReadFileBytes(path));
    std::string fpcText = test::ReadFileBytes(out);
    std::string ours;
    try {
      ours = ObjectTextToBinary(AnsiToUnicode(fpcText, 1252));
    } catch (const Exception& e) {
      ++unreadable;
      ADD_FAILURE() << "cannot read FPC's text of " << path << ": " << e.what();
      continue;
    }
    if (test::DumpStream(ours) == test::DumpStream(original))
      ++same;
    else
      ADD_FAILURE() << path << " reads differently";
  }
  for (const auto& [file, message] : run.Failures)
    std::cout << "FPC fails: " << file << ": " << message << "\n";
  std::cout << same << " of " << run.Files.size() << " binary forms read the same, "
            << run.Failures.size() << " refused by FPC\n";
  EXPECT_EQ(same + run.Failures.size() + unreadable, run.Files.size());
  EXPECT_LE(run.Failures.size(), 20u);
}

TEST(FormFpcDifferential, TextFormsReadTheSameValues) {
  ZAN_REQUIRE_CORPUS();
  fs::path helper = test::FpcHelper();
  if (helper.empty()) GTEST_SKIP() << "fpc not found: the differential test needs Free Pascal";
  TFpcRun run = RunFpc(false, helper, fs::path(ZAN_BINARY_DIR) / "dfm-fpc" / "t2b");
  int same = 0;
  for (const auto& [path, out] : run.Files) {
    if (run.Failures.count(path.string())) continue;
    TFormConvertOptions options;
    options.CodePage = 1252;
    std::string ours = ObjectTextToBinary(DecodeTextForm(test::ReadFileBytes(path)), options);
    std::string theirs = test::ReadFileBytes(out);
    if (test::DumpStream(ours) == test::DumpStream(theirs))
      ++same;
    else
      ADD_FAILURE() << path << " reads differently";
  }
  for (const auto& [file, message] : run.Failures)
    std::cout << "FPC fails: " << file << ": " << message << "\n";
  std::cout << same << " of " << run.Files.size() << " text forms read the same, "
            << run.Failures.size() << " refused by FPC\n";
  EXPECT_EQ(same + run.Failures.size(), run.Files.size());
  EXPECT_LE(run.Failures.size(), 20u);
}

}  // namespace
}  // namespace zan
