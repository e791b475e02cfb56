#include "engine/phases/SymbolIndex.h"

#include <algorithm>
#include <initializer_list>

#include "parsing/PasParser.h"
#include "rtl/Paths.h"

namespace zan {

namespace {

std::u16string AsciiUpper(std::u16string_view text) {
  std::u16string upper(text);
  for (char16_t& ch : upper)
    if (ch >= u'a' && ch <= u'z') ch = static_cast<char16_t>(ch - (u'a' - u'A'));
  return upper;
}

bool OneOf(const std::u16string& upper, std::initializer_list<std::u16string_view> words) {
  return std::find(words.begin(), words.end(), upper) != words.end();
}

bool IsRoutineWord(const std::u16string& upper) {
  return OneOf(upper, {u"PROCEDURE", u"FUNCTION", u"CONSTRUCTOR", u"DESTRUCTOR", u"OPERATOR"});
}

bool IsDirective(const std::u16string& upper) {
  return OneOf(
      upper, {u"OVERLOAD",     u"VIRTUAL",     u"OVERRIDE", u"STDCALL",   u"CDECL",   u"REGISTER",
              u"PASCAL",       u"SAFECALL",    u"INLINE",   u"ASSEMBLER", u"FORWARD", u"EXTERNAL",
              u"ABSTRACT",     u"REINTRODUCE", u"DYNAMIC",  u"STATIC",    u"FINAL",   u"DEPRECATED",
              u"PLATFORM",     u"MESSAGE",     u"EXPORT",   u"VARARGS",   u"DISPID",  u"DELAYED",
              u"EXPERIMENTAL", u"LIBRARY",     u"WINAPI",   u"UNSAFE"});
}

}  // namespace

std::vector<TPasToken> PasTokens(std::u16string_view text) {
  std::vector<TPasToken> tokens;
  TPasParser lexer;
  lexer.SetTextRef(text);
  while (true) {
    const TLexeme& lexeme = lexer.Next();
    if (lexeme.Code == lexBlank || lexeme.Code == lexComment) continue;
    TPasToken token;
    token.Code = lexeme.Code;
    token.Start = static_cast<uint32_t>(lexeme.Start);
    token.Length = static_cast<uint32_t>(lexeme.Length);
    if (lexeme.Code == lexIdent || lexeme.Code >= kwEnd) token.Upper = AsciiUpper(lexeme.Text);
    tokens.push_back(std::move(token));
    if (lexeme.Code == lexEnd) break;
  }
  return tokens;
}

// --- TUnitWalker

bool TUnitWalker::Is(size_t i, std::u16string_view upper) const {
  return FTokens[i].Upper == upper;
}

bool TUnitWalker::IsIdent(size_t i) const {
  return FTokens[i].Code == lexIdent || FTokens[i].Code == kwItem;
}

size_t TUnitWalker::MatchingEnd(size_t i) const {
  const bool record = FTokens[i].Code == kwObject || Is(i, u"RECORD");
  int depth = 1;
  for (size_t j = i + 1;; ++j) {
    const TPasToken& t = FTokens[j];
    if (t.Code == lexEnd) return j;
    if (t.Code == kwEnd) {
      if (--depth == 0) return j;
    } else if (t.Code == lexIdent && (OneOf(t.Upper, {u"BEGIN", u"TRY", u"ASM", u"RECORD"}) ||
                                      (!record && t.Upper == u"CASE"))) {
      ++depth;
    }
  }
}

size_t TUnitWalker::SkipToSemicolon(size_t i) const {
  int depth = 0;
  for (;; ++i) {
    const int code = FTokens[i].Code;
    if (code == lexEnd) return i;
    if (code == symOpenParen || code == symOpenBracket) ++depth;
    if ((code == symCloseParen || code == symCloseBracket) && depth > 0) --depth;
    if (depth == 0 && (code == symSemicolon || code == kwEnd)) return i;
  }
}

size_t TUnitWalker::ReadType(size_t i, std::u16string& type) const {
  int depth = 0;
  bool plain = true;
  size_t parts = 0;
  std::u16string last;
  for (;; ++i) {
    const TPasToken& t = FTokens[i];
    if (t.Code == lexEnd) break;
    if (depth == 0 && (t.Code == symSemicolon || t.Code == symCloseParen || t.Code == symEqual ||
                       t.Code == kwEnd))
      break;
    if (t.Code == symOpenParen || t.Code == symOpenBracket) ++depth;
    if ((t.Code == symCloseParen || t.Code == symCloseBracket) && depth > 0) --depth;
    if (t.Code == lexIdent && (t.Upper == u"RECORD")) {
      i = MatchingEnd(i);
      plain = false;
      if (FTokens[i].Code == lexEnd) break;
      continue;
    }
    const bool wantIdent = parts % 2 == 0;
    if (wantIdent && IsIdent(i))
      last = t.Upper;
    else if (wantIdent || t.Code != symDot)
      plain = false;
    ++parts;
  }
  type = plain && parts % 2 == 1 ? last : std::u16string();
  return i;
}

void TUnitWalker::Walk() {
  size_t i = 0;
  if (FTokens[0].Code == lexEnd) return;
  if (OneOf(FTokens[0].Upper, {u"UNIT", u"PROGRAM", u"LIBRARY", u"PACKAGE"})) {
    FImplementation = !Is(0, u"UNIT");
    std::u16string name;
    for (i = 1; IsIdent(i) || FTokens[i].Code == symDot; ++i)
      name += FTokens[i].Code == symDot ? u"." : FTokens[i].Upper;
    OnUnitName(name);
  } else {
    FImplementation = true;
  }
  while (FTokens[i].Code != lexEnd) {
    const TPasToken& t = FTokens[i];
    if (t.Code == kwUses) {
      i = ReadUses(i + 1);
    } else if (t.Code != lexIdent) {
      ++i;
    } else if (t.Upper == u"IMPLEMENTATION") {
      FImplementation = true;
      ++i;
    } else if (t.Upper == u"TYPE") {
      i = ReadTypeSection(i + 1);
    } else if (t.Upper == u"VAR" || t.Upper == u"THREADVAR") {
      i = ReadVarSection(i + 1, nullptr, nullptr);
    } else if (t.Upper == u"CONST" || t.Upper == u"RESOURCESTRING") {
      i = SkipConstSection(i + 1);
    } else if (IsRoutineWord(t.Upper)) {
      i = ReadRoutine(i, FImplementation, nullptr);
    } else if (t.Upper == u"BEGIN") {
      const size_t end = MatchingEnd(i);
      OnBody(nullptr, i, end);
      i = end;
    } else if (t.Upper == u"INITIALIZATION" || t.Upper == u"FINALIZATION") {
      size_t end = i + 1;
      while (FTokens[end].Code != lexEnd && FTokens[end].Code != kwEnd &&
             !Is(end, u"FINALIZATION")) {
        if (FTokens[end].Code == lexIdent &&
            OneOf(FTokens[end].Upper, {u"BEGIN", u"TRY", u"ASM", u"CASE"}))
          end = MatchingEnd(end);
        if (FTokens[end].Code != lexEnd) ++end;
      }
      OnBody(nullptr, i, end);
      i = end;
    } else {
      ++i;
    }
  }
}

size_t TUnitWalker::ReadUses(size_t i) {
  while (FTokens[i].Code != lexEnd && FTokens[i].Code != symSemicolon) {
    if (!IsIdent(i)) {
      ++i;
      continue;
    }
    std::u16string name = FTokens[i].Upper;
    for (++i; FTokens[i].Code == symDot && IsIdent(i + 1); i += 2)
      name += u"." + FTokens[i + 1].Upper;
    OnUses(name);
    if (Is(i, u"IN") && FTokens[i + 1].Code != lexEnd) i += 2;
  }
  return FTokens[i].Code == lexEnd ? i : i + 1;
}

size_t TUnitWalker::ReadTypeSection(size_t i) {
  while (IsIdent(i) && (FTokens[i + 1].Code == symEqual || FTokens[i + 1].Code == symLess)) {
    const std::u16string name = FTokens[i].Upper;
    size_t j = i + 1;
    if (FTokens[j].Code == symLess)
      while (FTokens[j].Code != lexEnd && FTokens[j].Code != symEqual) ++j;
    if (FTokens[j].Code == lexEnd) return j;
    ++j;
    if (Is(j, u"TYPE")) ++j;
    if (Is(j, u"PACKED")) ++j;
    if (Is(j, u"CLASS") && FTokens[j + 1].Code != symSemicolon && !Is(j + 1, u"OF")) {
      i = ReadClass(j + 1, name);
    } else if (FTokens[j].Code == kwObject || Is(j, u"RECORD") ||
               ((Is(j, u"INTERFACE") || Is(j, u"DISPINTERFACE")) &&
                FTokens[j + 1].Code != symSemicolon)) {
      const size_t end = MatchingEnd(j);
      i = SkipToSemicolon(FTokens[end].Code == lexEnd ? end : end + 1);
      if (FTokens[i].Code == symSemicolon) ++i;
    } else {
      i = SkipToSemicolon(j);
      if (FTokens[i].Code == symSemicolon) ++i;
    }
  }
  return i;
}

size_t TUnitWalker::ReadClass(size_t i, const std::u16string& name) {
  std::u16string parent;
  if (FTokens[i].Code == symOpenParen) {
    for (size_t j = i + 1; IsIdent(j) || FTokens[j].Code == symDot; ++j)
      if (IsIdent(j)) parent = FTokens[j].Upper;
    while (FTokens[i].Code != lexEnd && FTokens[i].Code != symCloseParen) ++i;
    if (FTokens[i].Code != lexEnd) ++i;
  }
  OnClass(name, parent);
  if (FTokens[i].Code == symSemicolon) return i + 1;
  while (FTokens[i].Code != lexEnd && FTokens[i].Code != kwEnd) {
    const TPasToken& t = FTokens[i];
    if (t.Code == symOpenBracket) {  // an attribute
      while (FTokens[i].Code != lexEnd && FTokens[i].Code != symCloseBracket) ++i;
      if (FTokens[i].Code != lexEnd) ++i;
    } else if (t.Code != lexIdent && t.Code != kwItem) {
      ++i;
    } else if (IsRoutineWord(t.Upper)) {
      i = ReadRoutine(i, false, nullptr);
    } else if (t.Upper == u"PROPERTY") {
      // `property Query: TZanQuery read FQuery;` is followed like a field.
      if (IsIdent(i + 1) && FTokens[i + 2].Code == symColon && IsIdent(i + 3) &&
          FTokens[i + 4].Code != symDot)
        OnField(name, FTokens[i + 1].Upper, FTokens[i + 3].Upper);
      i = SkipToSemicolon(i);
      if (FTokens[i].Code == symSemicolon) ++i;
      if (Is(i, u"DEFAULT") && FTokens[i + 1].Code == symSemicolon) i += 2;
    } else if (t.Upper == u"CONST") {
      i = SkipConstSection(i + 1);
    } else if (t.Upper == u"TYPE") {
      i = ReadTypeSection(i + 1);
    } else if (FTokens[i + 1].Code == symComma || FTokens[i + 1].Code == symColon) {
      i = ReadVarSection(i, nullptr, &name);
    } else {
      ++i;  // a visibility, `class`, `var`
    }
  }
  i = SkipToSemicolon(i + (FTokens[i].Code == kwEnd ? 1 : 0));
  return FTokens[i].Code == symSemicolon ? i + 1 : i;
}

size_t TUnitWalker::ReadVarSection(size_t i, TNameTypes* into, const std::u16string* className) {
  while (true) {
    if (FTokens[i].Code == symOpenBracket) {  // an attribute
      while (FTokens[i].Code != lexEnd && FTokens[i].Code != symCloseBracket) ++i;
      if (FTokens[i].Code != lexEnd) ++i;
      continue;
    }
    if (!IsIdent(i) || (FTokens[i + 1].Code != symComma && FTokens[i + 1].Code != symColon))
      return i;
    std::vector<size_t> names;
    while (IsIdent(i)) {
      names.push_back(i);
      if (FTokens[i + 1].Code != symComma) break;
      i += 2;
    }
    if (FTokens[i + 1].Code != symColon) return i + 1;
    std::u16string type;
    i = ReadType(i + 2, type);
    for (size_t name : names) {
      if (into)
        (*into)[FTokens[name].Upper] = type;
      else if (className)
        OnField(*className, FTokens[name].Upper, type);
      else
        OnGlobal(FTokens[name].Upper, type);
    }
    if (FTokens[i].Code == symEqual) i = SkipToSemicolon(i);
    if (FTokens[i].Code == symSemicolon) ++i;
  }
}

size_t TUnitWalker::SkipConstSection(size_t i) {
  while (IsIdent(i) && (FTokens[i + 1].Code == symEqual || FTokens[i + 1].Code == symColon)) {
    i = SkipToSemicolon(i);
    if (FTokens[i].Code != symSemicolon) break;
    ++i;
  }
  return i;
}

size_t TUnitWalker::ReadParams(size_t i, TNameTypes& into) {
  ++i;  // the "("
  while (FTokens[i].Code != lexEnd && FTokens[i].Code != symCloseParen) {
    if (OneOf(FTokens[i].Upper, {u"CONST", u"VAR", u"OUT", u"CONSTREF"})) ++i;
    if (!IsIdent(i)) {  // an attribute, or what this reading does not know
      if (FTokens[i].Code == lexEnd) break;
      ++i;
      continue;
    }
    std::vector<size_t> names;
    while (IsIdent(i)) {
      names.push_back(i);
      if (FTokens[i + 1].Code != symComma) break;
      i += 2;
    }
    ++i;
    std::u16string type;
    if (FTokens[i].Code == symColon) i = ReadType(i + 1, type);
    for (size_t name : names) into[FTokens[name].Upper] = type;
    // A default value runs to the next parameter or the end of the list.
    for (int depth = 0; FTokens[i].Code != lexEnd; ++i) {
      const int code = FTokens[i].Code;
      if (depth == 0 && (code == symSemicolon || code == symCloseParen)) break;
      if (code == symOpenParen || code == symOpenBracket) ++depth;
      if (code == symCloseParen || code == symCloseBracket) --depth;
    }
    if (FTokens[i].Code == symSemicolon) ++i;
  }
  return FTokens[i].Code == lexEnd ? i : i + 1;
}

size_t TUnitWalker::SkipDirectives(size_t i, bool& noBody) {
  while ((FTokens[i].Code == lexIdent || FTokens[i].Code == kwInline) &&
         IsDirective(FTokens[i].Upper)) {
    if (Is(i, u"FORWARD") || Is(i, u"EXTERNAL")) noBody = true;
    i = SkipToSemicolon(i);
    if (FTokens[i].Code != symSemicolon) break;
    ++i;
  }
  return i;
}

size_t TUnitWalker::ReadRoutine(size_t i, bool hasBody, TRoutine* outer) {
  const bool function = Is(i, u"FUNCTION");
  TRoutine routine;
  if (outer) routine = *outer;
  std::vector<std::u16string> parts;
  for (++i; IsIdent(i); i += 2) {
    parts.push_back(FTokens[i].Upper);
    if (FTokens[i + 1].Code == symLess)  // generic parameters
      while (FTokens[i + 1].Code != lexEnd && FTokens[i + 1].Code != symGreater) ++i;
    if (FTokens[i + 1].Code == symGreater) ++i;
    if (FTokens[i + 1].Code != symDot) {
      ++i;
      break;
    }
  }
  if (parts.size() >= 2) routine.ClassName = parts[parts.size() - 2];
  if (FTokens[i].Code == symOpenParen) i = ReadParams(i, routine.Locals);
  if (FTokens[i].Code == symColon) {
    std::u16string type;
    i = ReadType(i + 1, type);
    if (function) {
      routine.Locals[u"RESULT"] = type;
      if (!parts.empty()) routine.Locals[parts.back()] = type;
    }
  }
  if (FTokens[i].Code == symSemicolon) ++i;
  bool noBody = false;
  i = SkipDirectives(i, noBody);
  if (!hasBody || noBody) return i;
  while (FTokens[i].Code != lexEnd) {
    const TPasToken& t = FTokens[i];
    if (t.Upper == u"VAR" || t.Upper == u"THREADVAR") {
      i = ReadVarSection(i + 1, &routine.Locals, nullptr);
    } else if (t.Upper == u"CONST" || t.Upper == u"RESOURCESTRING") {
      i = SkipConstSection(i + 1);
    } else if (t.Upper == u"TYPE") {
      i = ReadTypeSection(i + 1);
    } else if (t.Upper == u"LABEL") {
      i = SkipToSemicolon(i);
      if (FTokens[i].Code == symSemicolon) ++i;
    } else if (t.Upper == u"CLASS") {
      ++i;
    } else if (IsRoutineWord(t.Upper)) {
      i = ReadRoutine(i, true, &routine);
    } else if (t.Upper == u"BEGIN" || t.Upper == u"ASM") {
      const size_t end = MatchingEnd(i);
      OnBody(&routine, i, end);
      i = end;
      if (FTokens[i].Code != lexEnd) ++i;
      if (FTokens[i].Code == symSemicolon) ++i;
      return i;
    } else {
      return i;  // not what a routine holds: let the caller go on from here
    }
  }
  return i;
}

// --- TSymbolIndex

namespace {

class TIndexWalker : public TUnitWalker {
 public:
  TIndexWalker(const std::vector<TPasToken>& tokens, TUnitSymbols& unit)
      : TUnitWalker(tokens), FUnit(unit) {}

 private:
  void OnUnitName(std::u16string_view upperName) override { FUnit.Name = upperName; }
  void OnUses(const std::u16string& upperName) override { FUnit.Uses.push_back(upperName); }
  void OnClass(const std::u16string& name, const std::u16string& parent) override {
    FUnit.Classes[name].Parent = parent;
  }
  void OnField(const std::u16string& className, const std::u16string& name,
               const std::u16string& type) override {
    FUnit.Classes[className].Fields[name] = type;
  }
  void OnGlobal(const std::u16string& name, const std::u16string& type) override {
    FUnit.Globals[name] = type;
  }

  TUnitSymbols& FUnit;
};

}  // namespace

void TSymbolIndex::AddUnit(size_t id, std::u16string_view fileName,
                           const std::vector<TPasToken>& tokens) {
  TUnitSymbols& unit = FUnits[id];
  unit = {};
  unit.Folder = ExtractFilePath(fileName);
  TIndexWalker(tokens, unit).Walk();
  if (unit.Name.empty()) {
    const std::u16string name = ExtractFileName(fileName);
    unit.Name = AsciiUpper(name.substr(0, name.rfind(u'.')));
  }
  FByName[unit.Name].push_back(id);
  for (const auto& [name, cls] : unit.Classes) FClassUnits[name].push_back(id);
}

const TUnitSymbols* TSymbolIndex::Unit(size_t id) const {
  const auto found = FUnits.find(id);
  return found == FUnits.end() ? nullptr : &found->second;
}

const TUnitSymbols* TSymbolIndex::ResolveUnit(const TUnitSymbols& from,
                                              std::u16string_view upperName) const {
  const auto ids = FByName.find(std::u16string(upperName));
  if (ids == FByName.end()) return nullptr;
  const TUnitSymbols* first = nullptr;
  for (size_t id : ids->second) {
    const TUnitSymbols& unit = FUnits.at(id);
    if (unit.Folder == from.Folder) return &unit;
    if (!first) first = &unit;
  }
  return first;
}

std::u16string TSymbolIndex::GlobalType(const TUnitSymbols& from, const std::u16string& upperName,
                                        const TUnitSymbols** owner) const {
  if (const auto own = from.Globals.find(upperName); own != from.Globals.end()) {
    if (owner) *owner = &from;
    return own->second;
  }
  for (auto used = from.Uses.rbegin(); used != from.Uses.rend(); ++used) {
    const TUnitSymbols* unit = ResolveUnit(from, *used);
    if (!unit || unit == &from) continue;
    if (const auto global = unit->Globals.find(upperName); global != unit->Globals.end()) {
      if (owner) *owner = unit;
      return global->second;
    }
  }
  return {};
}

const TClassSymbols* TSymbolIndex::FindClass(const TUnitSymbols& from,
                                             const std::u16string& upperName,
                                             const TUnitSymbols** owner) const {
  if (const auto own = from.Classes.find(upperName); own != from.Classes.end()) {
    if (owner) *owner = &from;
    return &own->second;
  }
  for (auto used = from.Uses.rbegin(); used != from.Uses.rend(); ++used) {
    const TUnitSymbols* unit = ResolveUnit(from, *used);
    if (!unit || unit == &from) continue;
    if (const auto cls = unit->Classes.find(upperName); cls != unit->Classes.end()) {
      if (owner) *owner = unit;
      return &cls->second;
    }
  }
  const auto ids = FClassUnits.find(upperName);
  if (ids == FClassUnits.end()) return nullptr;
  const TUnitSymbols& unit = FUnits.at(ids->second.front());
  if (owner) *owner = &unit;
  return &unit.Classes.at(upperName);
}

std::u16string TSymbolIndex::FieldType(const TUnitSymbols& from, const std::u16string& className,
                                       const std::u16string& field) const {
  const TUnitSymbols* unit = &from;
  std::u16string name = className;
  // Ancestors beyond a few levels are the library's, which the run does not hold.
  for (int depth = 0; depth < 16 && !name.empty(); ++depth) {
    const TUnitSymbols* owner = nullptr;
    const TClassSymbols* cls = FindClass(*unit, name, &owner);
    if (!cls) return {};
    if (const auto found = cls->Fields.find(field); found != cls->Fields.end())
      return found->second;
    unit = owner;
    name = cls->Parent;
  }
  return {};
}

}  // namespace zan
