// Form files in the replace run: converting every object of a source class
// of a form (read as form text, FormFileText.h) with the replacer's form
// parser, whatever its keyword (`object`, `inherited`, `inline`), with or
// without a name and a child position.
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
//
// A unit whose fields take the target classes and a form that still streams
// the source classes must never both be published. So the keywords are found
// in any letter case with blanks wherever the IDE's reader allows them
// (`OBJECT Query1 : TQuery`; the regenerated header is written
// `object Query1: TZanQuery`), and a form that declares an object of a source
// class but cannot be converted raises EFormFileError naming it: an object
// the grammar cannot read (with the object and the line), text after the
// root object's `end`, or a file that is no form text at all. The run then
// stops, or with --keep-going leaves the form with its units (RunState.h).
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/rewrite/FormFileStep.h"
#include "engine/rewrite/FormFileText.h"
#include "formrules/ZanFormParser.h"

namespace zan {

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
  /// ProcessFormText for the text of a converted object at nesting level
  /// `objectLevel` (0: none): the object itself is left alone, the objects
  /// nested in it (persistent fields) are converted at their own levels.
  int ConvertObjects(const TFormLookup& lookup, const std::u16string& fileName,
                     const std::u16string& text, std::u16string_view lineBreak,
                     std::u16string& output, TRunReport* report, int objectLevel);

  /// Raises ERunCancelled when the run's cancellation flag is set.
  void CheckCancelled() const;

  std::unique_ptr<TZanFormParser> FFormParser;
  std::shared_ptr<const TBdeAliases> FBdeAliases;  // shared with the lanes
  size_t FMaxFormTextLength;
  int FCodePage = 0;
  /// The run's cancellation flag (Prepare; nullptr: none), looked at as a
  /// form is converted, so that one large form is not waited for.
  const std::atomic<bool>* FCancelled = nullptr;
  /// The connections of the form being converted that were written
  /// disconnected (their names), gathered as its objects are converted.
  std::vector<std::u16string> FDisconnectedConnections;
};

/// Makes every run of `replacer` convert its forms with a fresh TFormRewriter.
void InstallFormConversion(TComponentReplacer& replacer);

}  // namespace zan
