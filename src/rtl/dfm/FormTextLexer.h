// Tokens of form text: identifiers (and "-INF", the text of a negative
// infinite float), numbers (with the float suffixes s, c and d), strings
// made of quoted runs and #N codes, and one-character symbols. Hex data between braces is read on
// request, since its digits would otherwise come out as numbers and identifiers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zan::dfm {

enum class TTokenKind { tkEof, tkSymbol, tkIdent, tkString, tkInteger, tkFloat };

/// Reads one text from the start; the current token is always available.
/// Errors name the file and the line of the current token.
class TFormTextLexer {
 public:
  TFormTextLexer(std::u16string_view text, const std::string& fileName);

  void Next();
  TTokenKind Kind() const { return FKind; }
  bool IsSymbol(char16_t c) const { return FKind == TTokenKind::tkSymbol && FSymbol == c; }
  /// Identifier equal to `word` (ASCII, compared without regard to case).
  bool IsWord(std::string_view word) const;
  std::u16string_view Text() const { return FText.substr(FStart, FPos - FStart); }
  /// The first character after the current token and the blanks after it
  /// (#0 at the end of the text).
  char16_t NextChar() const;
  int Line() const { return FLine; }

  /// The decoded text of a string token.
  const std::u16string& StringValue() const { return FString; }
  int64_t IntegerValue() const { return FInteger; }
  /// A float token as ASCII text without its suffix, and the suffix (0, 's', 'c', 'd').
  std::string_view NumberText() const { return FNumber; }
  char FloatSuffix() const { return FSuffix; }

  /// With '{' as the current token: appends the bytes of the hex digits up to
  /// the closing '}' and moves to the token after it.
  void ReadBinary(std::string& out);

  [[noreturn]] void Error(std::string_view what) const;

 private:
  void SkipBlanks();
  void ReadString();
  void ReadNumber();
  char16_t At(size_t i) const { return i < FText.size() ? FText[i] : u'\0'; }

  std::u16string_view FText;
  const std::string& FFileName;
  size_t FPos = 0;    // end of the current token
  size_t FStart = 0;  // start of the current token
  int FLine = 1;      // line of the current token
  int FNextLine = 1;  // line at FPos
  TTokenKind FKind = TTokenKind::tkEof;
  char16_t FSymbol = 0;
  std::u16string FString;
  std::string FNumber;
  char FSuffix = 0;
  int64_t FInteger = 0;
};

}  // namespace zan::dfm
