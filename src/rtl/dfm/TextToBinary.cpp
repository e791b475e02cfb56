// Form text -> binary component stream, with the value types the host's
// writer chooses; a TFormStreamInfo from the original stream restores what
// the text cannot say.
#include <cstring>

#include "rtl/dfm/FormStream.h"
#include "rtl/dfm/FormTextLexer.h"
#include "rtl/dfm/ValueEncoding.h"

namespace zan {

namespace dfm {
namespace {

class TTextToBinary {
 public:
  TTextToBinary(std::u16string_view text, const TFormConvertOptions& options,
                const TFormStreamInfo* info)
      : FLex(text, options.FileName), FOptions(options), FInfo(info) {
    if (info) FKind = info->NonAsciiStrings;
    // A stream takes about half the characters of its text (hex data takes
    // exactly half); this spares most forms any reallocation.
    FOut.reserve(text.size() / 4 * 3 + 64);
  }

  std::string Run() {
    FOut.append("TPF0");
    ConvertObject();
    if (FLex.Kind() != TTokenKind::tkEof) FLex.Error("Unexpected text after the end of the form");
    return std::move(FOut);
  }

 private:
  TFormTextLexer FLex;
  const TFormConvertOptions& FOptions;
  const TFormStreamInfo* FInfo;
  TStringKind FKind = TStringKind::skUtf8;
  std::string FOut;
  uint32_t FAtom = 0;
  size_t FHint = 0;
  size_t FAtomStart = 0;
  int FDepth = 0;
  std::u16string FName;
  std::u16string FValue;

  void BeginAtom() { FAtomStart = FOut.size(); }

  /// Ends a scalar item; a hint for it whose canonical bytes are the ones just
  /// written puts the original bytes back.
  void EndAtom() {
    uint32_t atom = FAtom++;
    if (!FInfo) return;
    const std::vector<TValueHint>& hints = FInfo->Hints;
    while (FHint < hints.size() && hints[FHint].Atom < atom) ++FHint;
    if (FHint < hints.size() && hints[FHint].Atom == atom) {
      const TValueHint& hint = hints[FHint++];
      if (std::string_view(FOut).substr(FAtomStart) == hint.Canonical) {
        FOut.resize(FAtomStart);
        FOut += hint.Original;
      }
    }
  }

  void Enter() {
    if (++FDepth > kMaxFormNesting) FLex.Error("Nesting too deep");
  }
  void Leave() { --FDepth; }

  void Expect(char16_t symbol, const char* what) {
    if (!FLex.IsSymbol(symbol)) FLex.Error(what);
    FLex.Next();
  }

  void ShortString(std::u16string_view name) {
    BeginAtom();
    if (!EncodeShortString(name, FOut)) FLex.Error("Name too long");
    EndAtom();
  }

  /// The word `word` as a keyword: not a property named so ("End = 1",
  /// "Object.Name = 'x'"), which "=" or "." follows.
  bool AtKeyword(std::string_view word) const {
    if (!FLex.IsWord(word)) return false;
    const char16_t next = FLex.NextChar();
    return next != u'=' && next != u'.';
  }

  bool AtObjectKeyword() const {
    return AtKeyword("object") || AtKeyword("inherited") || AtKeyword("inline");
  }

  void ConvertObject() {
    Enter();
    uint8_t flags = 0;
    if (FLex.IsWord("inherited"))
      flags = ffInherited;
    else if (FLex.IsWord("inline"))
      flags = ffInline;
    else if (!FLex.IsWord("object"))
      FLex.Error("'object', 'inherited' or 'inline' expected");
    FLex.Next();
    if (FLex.Kind() != TTokenKind::tkIdent) FLex.Error("Identifier expected");
    std::u16string name(FLex.Text());
    std::u16string className;
    FLex.Next();
    if (FLex.IsSymbol(u':')) {
      FLex.Next();
      if (FLex.Kind() != TTokenKind::tkIdent) FLex.Error("Class name expected");
      className = FLex.Text();
      FLex.Next();
    } else {
      className.swap(name);
    }
    int64_t position = 0;
    if (FLex.IsSymbol(u'[')) {
      FLex.Next();
      if (FLex.Kind() != TTokenKind::tkInteger) FLex.Error("Integer expected");
      position = FLex.IntegerValue();
      flags |= ffChildPos;
      FLex.Next();
      Expect(u']', "']' expected");
    }
    BeginAtom();
    if (flags) {
      PutByte(FOut, 0xF0 | flags);
      if (flags & ffChildPos) EncodeInteger(position, FOut);
    }
    EndAtom();
    ShortString(className);
    ShortString(name);
    while (!AtKeyword("end") && !AtObjectKeyword()) ConvertProperty();
    PutByte(FOut, 0);
    while (!AtKeyword("end")) ConvertObject();
    PutByte(FOut, 0);
    FLex.Next();
    Leave();
  }

  /// An identifier and the ones joined to it by dots ("Font.Name",
  /// "DM.Connection"), after `prefix`.
  void DottedName(std::u16string_view prefix = {}) {
    FName = prefix;
    FName += FLex.Text();
    FLex.Next();
    while (FLex.IsSymbol(u'.')) {
      FLex.Next();
      if (FLex.Kind() != TTokenKind::tkIdent) FLex.Error("Identifier expected");
      FName += u'.';
      FName += FLex.Text();
      FLex.Next();
    }
  }

  void ConvertProperty() {
    if (FLex.Kind() == TTokenKind::tkEof) FLex.Error("'end' expected");
    if (FLex.Kind() != TTokenKind::tkIdent) FLex.Error("Property name expected");
    DottedName();
    ShortString(FName);
    Expect(u'=', "'=' expected");
    ConvertValue();
  }

  void ConvertValue() {
    switch (FLex.Kind()) {
      case TTokenKind::tkInteger:
        BeginAtom();
        EncodeInteger(FLex.IntegerValue(), FOut);
        EndAtom();
        FLex.Next();
        return;
      case TTokenKind::tkFloat:
        BeginAtom();
        if (!EncodeNumber(FLex.NumberText(), FLex.FloatSuffix(), FOut))
          FLex.Error("Invalid floating point number");
        EndAtom();
        FLex.Next();
        return;
      case TTokenKind::tkString:
        FValue = FLex.StringValue();
        FLex.Next();
        while (FLex.IsSymbol(u'+')) {
          FLex.Next();
          if (FLex.Kind() != TTokenKind::tkString) FLex.Error("String expected");
          FValue += FLex.StringValue();
          FLex.Next();
        }
        if (FValue.size() > INT32_MAX / 4) FLex.Error("String too long");
        BeginAtom();
        EncodeString(FValue, FKind, FOptions.CodePage, FOut);
        EndAtom();
        return;
      case TTokenKind::tkIdent:
        DottedName();
        BeginAtom();
        if (!EncodeIdent(FName, FOut)) FLex.Error("Name too long");
        EndAtom();
        return;
      case TTokenKind::tkSymbol:
        break;
      case TTokenKind::tkEof:
        FLex.Error("Property value expected");
    }
    if (FLex.IsSymbol(u'.')) {
      // An identifier value that starts with a dot (".Owner").
      FLex.Next();
      if (FLex.Kind() != TTokenKind::tkIdent) FLex.Error("Identifier expected");
      DottedName(u".");
      BeginAtom();
      if (!EncodeIdent(FName, FOut)) FLex.Error("Name too long");
      EndAtom();
    } else if (FLex.IsSymbol(u'['))
      ConvertSet();
    else if (FLex.IsSymbol(u'('))
      ConvertList();
    else if (FLex.IsSymbol(u'{'))
      ConvertBinary();
    else if (FLex.IsSymbol(u'<'))
      ConvertCollection();
    else
      FLex.Error("Invalid property value");
  }

  void ConvertSet() {
    PutType(FOut, TValueType::vaSet);
    FLex.Next();
    if (!FLex.IsSymbol(u']')) {
      for (;;) {
        if (FLex.Kind() != TTokenKind::tkIdent && FLex.Kind() != TTokenKind::tkInteger)
          FLex.Error("Identifier expected");
        ShortString(FLex.Text());
        FLex.Next();
        if (FLex.IsSymbol(u']')) break;
        Expect(u',', "',' or ']' expected");
      }
    }
    FLex.Next();
    PutByte(FOut, 0);
  }

  void ConvertList() {
    Enter();
    PutType(FOut, TValueType::vaList);
    FLex.Next();
    while (!FLex.IsSymbol(u')')) {
      if (FLex.Kind() == TTokenKind::tkEof) FLex.Error("')' expected");
      ConvertValue();
    }
    FLex.Next();
    PutByte(FOut, 0);
    Leave();
  }

  void ConvertBinary() {
    PutType(FOut, TValueType::vaBinary);
    size_t lengthAt = FOut.size();
    PutInt32(FOut, 0);
    FLex.ReadBinary(FOut);
    size_t length = FOut.size() - lengthAt - 4;
    if (length > INT32_MAX) FLex.Error("Binary value too long");
    int32_t n = static_cast<int32_t>(length);
    std::memcpy(&FOut[lengthAt], &n, 4);
  }

  void ConvertCollection() {
    Enter();
    PutType(FOut, TValueType::vaCollection);
    FLex.Next();
    while (!FLex.IsSymbol(u'>')) {
      if (!FLex.IsWord("item")) FLex.Error("'item' expected");
      FLex.Next();
      if (FLex.IsSymbol(u'[')) {
        FLex.Next();
        if (FLex.Kind() != TTokenKind::tkInteger) FLex.Error("Integer expected");
        BeginAtom();
        EncodeInteger(FLex.IntegerValue(), FOut);
        EndAtom();
        FLex.Next();
        Expect(u']', "']' expected");
      }
      PutType(FOut, TValueType::vaList);
      while (!AtKeyword("end")) ConvertProperty();
      FLex.Next();
      PutByte(FOut, 0);
    }
    FLex.Next();
    PutByte(FOut, 0);
    Leave();
  }
};

}  // namespace
}  // namespace dfm

std::string ObjectTextToBinary(std::u16string_view text, const TFormConvertOptions& options,
                               const TFormStreamInfo* info) {
  return dfm::TTextToBinary(text, options, info).Run();
}

}  // namespace zan
