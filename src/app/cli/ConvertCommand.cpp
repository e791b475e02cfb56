// zanmig convert: a form file between its binary resource form and its text
// form, as the IDE's "View as Text" / "View as Form" does.
//
// A binary input keeps its resource header (or its bare stream) when written
// back as binary; a text input written as binary gets a resource header named
// after its root class. Text is written as the host writes it (characters
// outside printable ASCII as #codes, CRLF); a text input written as text keeps
// its encoding and byte-order mark.
//
// "-" reads standard input or writes standard output. An output that is not
// a regular file after following links (a pipe, a terminal, a device) is
// written into as a stream; a regular or new file is written beside itself
// and renamed into place, so that a failed run leaves it as it was (through a
// link to a regular file, the file the link leads to is replaced and the
// link stays).
#include <cerrno>
#include <cstring>
#include <iostream>
#include <iterator>
#include <memory>

#include "app/cli/Commands.h"
#include "engine/files/TextFile.h"
#include "engine/report/RExpertRes.h"
#include "engine/rewrite/FormRewriter.h"
#include "rtl/Encoding.h"
#include "rtl/FileSystem.h"
#include "rtl/Strings.h"
#include "rtl/SysUtils.h"
#include "rtl/dfm/FormFile.h"

namespace zan::cli {

namespace {

constexpr std::u16string_view sFormFileNotFound = u"Form file \"%s\" does not exist.";
constexpr std::u16string_view sFormFileNotRead = u"Cannot read form file \"%s\". %s";
constexpr std::u16string_view sFormFileNotWritten = u"Cannot write form file \"%s\". %s";
constexpr std::u16string_view sFormFileEmpty = u"Form file \"%s\" is empty.";
constexpr std::string_view kStandardStream = "-";
constexpr std::u16string_view kStandardInputName = u"<stdin>";
constexpr std::u16string_view kStandardOutputName = u"<stdout>";

struct TConvertArgs {
  std::string In;
  std::string Out;
  bool ToText = false;
  bool ToBinary = false;
};

/// The bytes of the form `input` (read from `inName`) in the wanted form.
std::string ConvertForm(const std::string& input, const std::u16string& inName, bool toBinary) {
  if (input.empty()) throw EFileError(res::Fmt(sFormFileEmpty, {inName}));
  const int codePage = AnsiCodePage();
  const TFormFileText form = ReadFormFile(input, inName, codePage);
  // A text that is no form would otherwise pass through unchanged as "text".
  if (!form.Binary && !toBinary) CheckFormText(form.Text, inName, codePage);
  if (toBinary) {
    if (form.Binary) return WriteFormFile(form.Text, form, inName, codePage);
    TFormConvertOptions options;
    options.FileName = Utf16ToUtf8(inName);
    options.CodePage = codePage;
    return WriteBinaryForm(form.Text, nullptr, options);
  }
  // Text from a binary stream is plain ASCII; a text input keeps its encoding.
  return EncodeTextFile(form.Text, form.Binary ? TTextEncoding::Ansi : form.Encoding, inName,
                        codePage);
}

/// The reason of the last failed stream operation, as the OS words it.
std::u16string StreamErrorText() {
  return Utf8ToUtf16(errno != 0 ? std::strerror(errno) : "Input/output error");
}

/// The bytes of the input `argument` names; `name` is set to what messages call it.
std::string ReadInput(TFileSystem& fs, const std::string& argument, std::u16string& name) {
  if (argument == kStandardStream) {
    name = kStandardInputName;
    errno = 0;
    std::string input(std::istreambuf_iterator<char>(std::cin), {});
    if (std::cin.bad()) throw EFileError(res::Fmt(sFormFileNotRead, {name, StreamErrorText()}));
    return input;
  }
  name = CommandLinePath(argument);
  if (!fs.IsFile(name)) throw EFileError(res::Fmt(sFormFileNotFound, {name}));
  std::string input;
  if (TFileStatus status = fs.Read(name, input); !status)
    throw EFileError(res::Fmt(sFormFileNotRead, {name, Utf8ToUtf16(FileErrorText(status.Code()))}));
  return input;
}

void WriteOutput(TFileSystem& fs, const std::string& argument, std::string_view output) {
  if (argument == kStandardStream) {
    errno = 0;
    std::cout.write(output.data(), static_cast<std::streamsize>(output.size()));
    std::cout.flush();
    if (!std::cout)
      throw EFileError(res::Fmt(sFormFileNotWritten, {kStandardOutputName, StreamErrorText()}));
    return;
  }
  const std::u16string out = CommandLinePath(argument);
  // Renaming a file over a pipe or a terminal would replace it, and nothing
  // would reach the reader.
  const TFileStatus status =
      fs.GetAttributes(out).IsSpecial ? fs.Write(out, output) : fs.WriteAtomic(out, output);
  if (!status)
    throw EFileError(
        res::Fmt(sFormFileNotWritten, {out, Utf8ToUtf16(FileErrorText(status.Code()))}));
}

int RunConvert(const TConvertArgs& args) {
  if (args.ToText == args.ToBinary)
    throw TUsageError("--to-text, --to-binary: give exactly one of them");
  TFileSystem& fs = RealFileSystem();
  std::u16string inName;
  const std::string input = ReadInput(fs, args.In, inName);
  WriteOutput(fs, args.Out, ConvertForm(input, inName, args.ToBinary));
  return kExitSuccess;
}

}  // namespace

TCommandRun AddConvertCommand(CLI::App& app) {
  auto args = std::make_shared<TConvertArgs>();
  CLI::App* cmd =
      app.add_subcommand("convert", "Convert a form file (.dfm/.nfm) between binary and text.");
  cmd->add_option("IN", args->In, "the form file to read (binary or text); - for standard input")
      ->required()
      ->type_name("IN");
  cmd->add_option("OUT", args->Out,
                  "the form file to write (may be IN itself); - for standard output")
      ->required()
      ->type_name("OUT");
  CLI::Option* toText = cmd->add_flag("--to-text", args->ToText, "write the text form");
  CLI::Option* toBinary = cmd->add_flag("--to-binary", args->ToBinary,
                                        "write the binary form with its resource header");
  toText->excludes(toBinary);
  cmd->footer(
      "Example:\n  zanmig convert Main.dfm Main.txt.dfm --to-text\n"
      "  zanmig convert Main.dfm - --to-text | less");
  return [args] { return RunConvert(*args); };
}

}  // namespace zan::cli
