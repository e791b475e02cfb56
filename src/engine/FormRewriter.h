// Form files in the replace run: reading a form (binary or text) as form
// text, converting every object of a source class with the replacer's form
// parser, and writing the result back in the form it was read in.
//
// The conversion works on one text buffer per file: the lexer copies every
// lexeme to the output; at the class name of an object of a source class the
// form parser reads the whole object from its keyword, the output is cut back
// to where the keyword was written and the regenerated object takes its
// place, and the lexer goes on after the line of the object's `end`
// (SetPos on the same buffer, so a data module with thousands of objects is
// converted in time linear in its size).
//
// A converted object replaces exactly its own text: its header keeps the
// indentation that stood before the keyword, its lines end as the file's do,
// and everything after the line of its `end` is copied as it was.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "engine/FormFileStep.h"
#include "formrules/ZanFormParser.h"
#include "rtl/Encoding.h"
#include "rtl/SysUtils.h"
#include "rtl/dfm/FormFile.h"

namespace zan {

/// A form file that cannot be converted or written back: too large, or its
/// converted text is not valid form text. The message names the file.
class EFormFileError : public Exception {
 public:
  using Exception::Exception;
};

/// A form file read as form text, with what writing it back needs.
struct TFormFileText {
  std::u16string Text;
  bool Binary = false;
  TTextEncoding Encoding = TTextEncoding::Ansi;  // text forms
  TBinaryFormLayout Layout;                      // binary forms
  std::u16string LineBreak = u"\r\n";            // of the text (binary: CRLF)
};

/// In each function `codePage` is the ANSI code page of binary forms and of
/// text forms without a byte-order mark (0: the process's).

/// Reads a form file: a binary one (resource header FF 0A 00, or a bare TPF0
/// stream) through the converter, a text one with ReadTextFile. Throws
/// EFormStreamError / EEncodingError naming `fileName`.
TFormFileText ReadFormFile(std::string_view bytes, std::u16string_view fileName, int codePage = 0);

/// The bytes of `text` stored as `form` was read: binary with the original
/// header name and layout (the length field set to the new stream's length),
/// or text in its encoding with its byte-order mark. Throws EFormFileError
/// naming `fileName` when the text cannot be converted to binary.
std::string WriteFormFile(std::u16string_view text, const TFormFileText& form,
                          std::u16string_view fileName, int codePage = 0);

/// Throws EFormFileError naming `fileName` unless `text` converts to a binary
/// component stream that converts back to form text.
void CheckFormText(std::u16string_view text, std::u16string_view fileName, int codePage = 0);

/// The line break of `text`: that of its first line ("\r\n", "\n" or "\r"),
/// CRLF when it has none.
std::u16string DetectLineBreak(std::u16string_view text);

/// The form-file step of a replacer: converts the objects of its source
/// classes with a `TZanFormParser` of its own.
class TFormRewriter : public TFormFileStep {
 public:
  TFormRewriter();
  ~TFormRewriter() override;

  void Prepare(const TRunContext& context) override;
  TResult ProcessFormFile(const TFormLookup& lookup, const std::u16string& fileName,
                          const std::string& bytes, TRunReport* report) override;
  void CollectDatabaseNames(TStringList& databaseNames, const std::u16string& fileName,
                            const std::string& bytes) override;
  std::unique_ptr<TFormFileStep> CloneForLane() const override;

  /// Converts the objects of source classes in `text` (line break
  /// `lineBreak`), recording them in `report` when set; `output` receives the
  /// new text. Returns the change count.
  int ProcessFormText(const TFormLookup& lookup, const std::u16string& fileName,
                      const std::u16string& text, std::u16string_view lineBreak,
                      std::u16string& output, TRunReport* report = nullptr);

  TZanFormParser& FormParser() { return *FFormParser; }

  /// Form texts longer than this (UTF-16 code units) are refused with an
  /// error naming the file: the form parser counts positions in `int`.
  size_t MaxFormTextLength() const { return FMaxFormTextLength; }
  void SetMaxFormTextLength(size_t value) { FMaxFormTextLength = value; }

 private:
  void CheckLength(const std::u16string& text, const std::u16string& fileName) const;

  std::unique_ptr<TZanFormParser> FFormParser;
  size_t FMaxFormTextLength;
  int FCodePage = 0;
};

/// Installs a TFormRewriter as the form-file step of `replacer`.
void InstallFormConversion(TComponentReplacer& replacer);

}  // namespace zan
