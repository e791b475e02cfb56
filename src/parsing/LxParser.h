// The general lexer and its lexeme tables.
//
// `TParser` splits one text into lexemes: blanks, comments, identifiers and
// keywords, numbers, string literals, symbols and single stray characters.
// With blanks and comments returned (not skipped) and quotes kept, the texts of
// all lexemes up to `lexEnd`, joined in order, give back the input exactly; the
// rewriting passes of the migration copy every lexeme and change only some.
// A language lexer (`TPasParser`) derives from it, installs its tables and
// settings and overrides the character tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zan {

// Lexeme codes produced by every lexer. Symbols and keywords carry the positive
// codes of their tables; the kinds below are negative.
inline constexpr int lexEnd = 0;         // end of text; empty text
inline constexpr int lexBlank = -101;    // a run of spaces, tabs, line breaks, control characters
inline constexpr int lexIdent = -103;    // identifier not in the keyword table
inline constexpr int lexNumber = -104;   // decimal or "$" hexadecimal number
inline constexpr int lexChar = -105;     // one character of no other kind (a surrogate pair is one)
inline constexpr int lexString = -106;   // quoted string literal
inline constexpr int lexComment = -108;  // comment with its brackets

/// A table of lexeme texts and their codes: the symbols or the keywords of a
/// language. Filled with Add and then Sort; Find then uses binary search (an
/// unsorted table is searched linearly). Unless case-sensitive, ASCII letters
/// compare without regard to case. When a text is added twice, the first wins.
/// Tables are shared read-only by every lexer of a language.
class TLexemList {
 public:
  struct TItem {
    std::u16string Text;
    int Code;
  };

  explicit TLexemList(bool caseSensitive = false) : FCaseSensitive(caseSensitive) {}

  void Add(std::u16string_view text, int code);
  void Sort();
  /// Looks `text` up; on a hit stores its code in `code` and returns true.
  bool Find(std::u16string_view text, int& code) const;

  int Count() const { return static_cast<int>(FItems.size()); }
  const TItem& Item(int index) const { return FItems[static_cast<size_t>(index)]; }
  bool CaseSensitive() const { return FCaseSensitive; }

 private:
  int Compare(std::u16string_view a, std::u16string_view b) const;
  char16_t Fold(char16_t ch) const;

  std::vector<TItem> FItems;
  bool FCaseSensitive;
  bool FSorted = true;
  // A quick rejection before the search: most identifiers are no keyword.
  size_t FMinLen = SIZE_MAX;
  size_t FMaxLen = 0;
  uint64_t FFirstAscii[2] = {0, 0};  // folded first characters below 128
  bool FFirstWide = false;           // some text starts beyond ASCII
};

/// One lexeme: its code, the span it covers in the text and its text. `Text` is
/// the span itself, except for a string literal with quotes off (its content)
/// and an identifier with upper-casing on; it stays valid until the next call
/// that scans or changes the text.
struct TLexeme {
  int Code = lexEnd;
  size_t Start = 0;   // zero-based offset of the first character
  size_t Length = 0;  // characters covered, quotes and brackets included
  std::u16string_view Text;
};

/// The general lexer. Holds the current text (its own copy, or a caller's
/// buffer given to SetTextRef) and the scanning position; the symbol and keyword
/// tables are borrowed and must outlive it. Scanning never allocates except
/// when upper-casing is on. Not copyable: lexemes point into its text.
class TParser {
 public:
  explicit TParser(std::u16string text = {});
  virtual ~TParser() = default;
  TParser(const TParser&) = delete;
  TParser& operator=(const TParser&) = delete;

  // --- Text and position

  /// Starts over on a new text; tables and settings stay.
  void SetText(std::u16string text);
  /// Starts over on a caller's buffer without copying it; the buffer must stay
  /// alive and unchanged while this lexer uses it.
  void SetTextRef(std::u16string_view text);
  std::u16string_view Text() const { return FText; }
  /// Goes back before the first character.
  virtual void ToBegin();
  /// Continues scanning at offset `newPos`, clamped into the text (a negative
  /// position starts over, one past the end gives `lexEnd`). Restarting this way
  /// keeps offsets relative to the whole text and copies nothing.
  void SetPos(int64_t newPos);
  size_t Pos() const { return FPos; }

  // --- Scanning

  /// The next lexeme. The reference stays valid until the next call.
  const TLexeme& Next();
  /// The next lexeme's code; its text is copied into `text`, reusing its capacity.
  int GetNext(std::u16string& text);
  /// The next lexeme's code; `text` views it (valid as for Next).
  int GetNext(std::u16string_view& text);
  /// The lexeme returned last (code `lexEnd` at offset 0 before the first).
  const TLexeme& Last() const { return FLex; }
  /// Zero-based offset of the first character of the lexeme returned last.
  size_t PrevPos() const { return FLex.Start; }

  // --- Settings (the defaults suit a parser: blanks and comments skipped,
  // identifiers upper-cased, strings without quotes)

  void SetSymbols(const TLexemList* symbols);
  void SetKeywords(const TLexemList* keywords);
  const TLexemList* Symbols() const { return FSymbols; }
  const TLexemList* Keywords() const { return FKeywords; }
  /// One-character brackets of block comments; 0 for none.
  void SetBlockComment(char16_t open, char16_t close);
  /// Comments between "(*" and "*)" (on by default).
  void SetParenStarComments(bool on);
  bool KeepQuotes() const { return FKeepQuotes; }
  void SetKeepQuotes(bool on) { FKeepQuotes = on; }
  bool SkipBlanks() const { return FSkipBlanks; }
  void SetSkipBlanks(bool on) { FSkipBlanks = on; }
  bool SkipComments() const { return FSkipComments; }
  void SetSkipComments(bool on) { FSkipComments = on; }
  bool UpperCase() const { return FUpperCase; }
  void SetUpperCase(bool on) { FUpperCase = on; }

  // --- Character tests (characters are UTF-16 code units). A subclass
  // overrides them to describe its language; their answers for ASCII are
  // cached by InitParser at the first scan after the settings changed.

  virtual bool IsSymbolChar(char16_t ch) const;
  /// Characters that start identifiers and continue them (digits continue them too).
  virtual bool IsAlpha(char16_t ch) const;
  virtual bool IsNumberChar(char16_t ch) const;
  virtual bool IsStringQuote(char16_t ch) const;
  /// Quotes around an identifier (a quoted identifier yields `lexIdent`).
  virtual bool IsIdentQuote(char16_t ch) const;
  /// Whether a line comment starts with `ch` at offset `pos` ("//" by default);
  /// asked for symbol characters and characters of no other kind.
  virtual bool IsInlineComment(char16_t ch, size_t pos) const;

 protected:
  /// Rebuilds the character cache from the character tests and the settings.
  virtual void InitParser();
  /// Scans a literal opened by the quote at `pos` up to its closing quote (a
  /// doubled quote stays inside); an unclosed literal stops before the line
  /// break or at the end of the text. Returns the offset after it.
  virtual size_t ToRightQuote(size_t pos, bool& closed) const;

 private:
  enum TCharKind : uint8_t {
    ckOther,
    ckBlank,
    ckBlockOpen,
    ckStringQuote,
    ckIdentQuote,
    ckAlpha,
    ckNumber,
    ckSymbol,
  };
  static constexpr uint8_t kKindMask = 0x0F;
  static constexpr uint8_t kIdentCont = 0x10;
  static constexpr uint8_t kNumberCont = 0x20;

  TCharKind KindOf(char16_t ch) const;
  bool IsIdentCont(char16_t ch) const;
  bool IsNumberCont(char16_t ch) const;
  void Scan();
  size_t ScanNumber(size_t pos) const;
  size_t ScanBlockComment(size_t pos) const;
  size_t ScanParenStarComment(size_t pos) const;
  size_t ScanLineComment(size_t pos) const;

  std::u16string FOwned;      // the text when this lexer holds its own copy
  std::u16string_view FText;  // the text being scanned
  size_t FPos = 0;
  TLexeme FLex;
  std::u16string FScratch;  // upper-cased identifier text

  const TLexemList* FSymbols = nullptr;
  const TLexemList* FKeywords = nullptr;
  char16_t FBlockOpen = 0;
  char16_t FBlockClose = 0;
  bool FParenStarComments = true;
  bool FKeepQuotes = false;
  bool FSkipBlanks = true;
  bool FSkipComments = true;
  bool FUpperCase = true;

  bool FInitialized = false;
  uint8_t FCharClass[128] = {};
  int FSymbolCode[128] = {};
};

}  // namespace zan
