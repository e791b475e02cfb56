// The lexer for Object Pascal units, project files and form files in text form.
//
// `TPasParser` is `TParser` set up for Pascal: the symbol and keyword tables
// below, brace comments (with "//" and "(* *)" comments from the base), blanks
// and comments returned as lexemes, texts in the case of the input, strings
// with their quotes. Joined, its lexemes give back the input exactly. Dotted
// names come back as identifiers separated by the symbol "." (`symDot`).
#pragma once

#include <string>

#include "parsing/LxParser.h"

namespace zan {

// Codes of the one-character symbols, in table order.
inline constexpr int symExclamation = 1;    // !
inline constexpr int symDoubleQuote = 2;    // "
inline constexpr int symHash = 3;           // #
inline constexpr int symPercent = 4;        // %
inline constexpr int symAmpersand = 5;      // &
inline constexpr int symQuote = 6;          // ' (never returned: it opens a string)
inline constexpr int symOpenParen = 7;      // (
inline constexpr int symCloseParen = 8;     // )
inline constexpr int symStar = 9;           // *
inline constexpr int symPlus = 10;          // +
inline constexpr int symComma = 11;         // ,
inline constexpr int symMinus = 12;         // -
inline constexpr int symDot = 13;           // .
inline constexpr int symSlash = 14;         // /
inline constexpr int symColon = 15;         // :
inline constexpr int symSemicolon = 16;     // ;
inline constexpr int symLess = 17;          // <
inline constexpr int symEqual = 18;         // =
inline constexpr int symGreater = 19;       // >
inline constexpr int symQuestion = 20;      // ?
inline constexpr int symAt = 21;            // @
inline constexpr int symOpenBracket = 22;   // [
inline constexpr int symBackslash = 23;     // backslash
inline constexpr int symCloseBracket = 24;  // ]
inline constexpr int symCaret = 25;         // ^
inline constexpr int symUnderscore = 26;    // _ (never returned: it starts identifiers)
inline constexpr int symBackQuote = 27;     // `

// Codes of the keywords, matched in any letter case.
inline constexpr int kwEnd = 28;
inline constexpr int kwInherited = 29;
inline constexpr int kwInline = 30;
inline constexpr int kwItem = 31;
inline constexpr int kwObject = 32;
inline constexpr int kwUses = 33;

/// The symbol table (codes 1 to 27), built once and shared by every lexer.
const TLexemList& PasSymbols();
/// The keyword table (codes 28 to 33, texts upper-case), built once and shared.
const TLexemList& PasKeywords();

/// The Pascal lexer. Cheap to create: it holds its text and position only.
/// Callers that switch the quote-keeping option off get the content of a
/// string literal without its outer quotes (doubled quotes stay doubled).
class TPasParser : public TParser {
 public:
  explicit TPasParser(std::u16string text = {});

  /// "!" to "/" except "$", ":" to "@", "[" to "^", the back quote, "{" to "~".
  bool IsSymbolChar(char16_t ch) const override;
  /// "$", digits and the hexadecimal letters.
  bool IsNumberChar(char16_t ch) const override;
  /// The apostrophe only.
  bool IsStringQuote(char16_t ch) const override;
};

}  // namespace zan
