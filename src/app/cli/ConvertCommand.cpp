// zanmig convert: a form file between its binary resource form and its text
// form, as the IDE's "View as Text" / "View as Form" does.
//
// A binary input keeps its resource header (or its bare stream) when written
// back as binary; a text input written as binary gets a resource header named
// after its root class. Text is written as the host writes it (characters
// outside printable ASCII as #codes, CRLF); a text input written as text keeps
// its encoding and byte-order mark.
#include <iostream>
#include <memory>

#include "app/cli/Commands.h"
#include "engine/FormRewriter.h"
#include "engine/RExpertRes.h"
#include "engine/TextFile.h"
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

struct TConvertArgs {
  std::string In;
  std::string Out;
  bool ToText = false;
  bool ToBinary = false;
};

/// The bytes of the form `input` (read from `inName`) in the wanted form.
std::string ConvertForm(const std::string& input, const std::u16string& inName, bool toBinary) {
  const TFormFileText form = ReadFormFile(input, inName);
  if (toBinary) {
    if (form.Binary) return WriteFormFile(form.Text, form, inName);
    TFormConvertOptions options;
    options.FileName = Utf16ToUtf8(inName);
    options.CodePage = AnsiCodePage();
    return WriteBinaryForm(form.Text, nullptr, options);
  }
  // Text from a binary stream is plain ASCII; a text input keeps its encoding.
  return EncodeTextFile(form.Text, form.Binary ? TTextEncoding::Ansi : form.Encoding, inName);
}

int RunConvert(const TConvertArgs& args) {
  if (args.ToText == args.ToBinary)
    throw TUsageError("--to-text, --to-binary: give exactly one of them");
  TFileSystem& fs = RealFileSystem();
  const std::u16string in = CommandLinePath(args.In);
  const std::u16string out = CommandLinePath(args.Out);
  if (!fs.IsFile(in)) throw EFileError(res::Fmt(sFormFileNotFound, {in}));
  std::string input;
  if (TFileStatus status = fs.Read(in, input); !status)
    throw EFileError(res::Fmt(sFormFileNotRead, {in, Utf8ToUtf16(FileErrorText(status.Code()))}));
  const std::string output = ConvertForm(input, in, args.ToBinary);
  if (TFileStatus status = fs.WriteAtomic(out, output); !status)
    throw EFileError(
        res::Fmt(sFormFileNotWritten, {out, Utf8ToUtf16(FileErrorText(status.Code()))}));
  return kExitSuccess;
}

}  // namespace

TCommandRun AddConvertCommand(CLI::App& app) {
  auto args = std::make_shared<TConvertArgs>();
  CLI::App* cmd =
      app.add_subcommand("convert", "Convert a form file (.dfm/.nfm) between binary and text.");
  cmd->add_option("IN", args->In, "the form file to read (binary or text)")
      ->required()
      ->type_name("IN");
  cmd->add_option("OUT", args->Out, "the form file to write (may be IN itself)")
      ->required()
      ->type_name("OUT");
  CLI::Option* toText = cmd->add_flag("--to-text", args->ToText, "write the text form");
  CLI::Option* toBinary = cmd->add_flag("--to-binary", args->ToBinary,
                                        "write the binary form with its resource header");
  toText->excludes(toBinary);
  cmd->footer("Example:\n  zanmig convert Main.dfm Main.txt.dfm --to-text");
  return [args] { return RunConvert(*args); };
}

}  // namespace zan::cli
