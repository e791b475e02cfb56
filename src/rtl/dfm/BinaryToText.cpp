// Binary component stream -> form text in the host's layout.
//
// The reader checks every length against the bytes that are left before it
// reads or allocates, and refuses nesting deeper than kMaxFormNesting, so a
// hostile stream ends in an EFormStreamError, never in a read past the data.
#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <type_traits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "rtl/Encoding.h"
#include "rtl/Strings.h"
#include "rtl/dfm/FloatText.h"
#include "rtl/dfm/FormStream.h"
#include "rtl/dfm/TextBuffer.h"
#include "rtl/dfm/TextNames.h"
#include "rtl/dfm/ValueEncoding.h"

namespace zan {

namespace dfm {
namespace {

constexpr size_t kPieceLength = 64;  // characters per piece of a long string
constexpr size_t kBytesPerLine = 32;

// The two hex digits of each byte value.
constexpr std::array<std::array<char16_t, 2>, 256> kHexPairs = [] {
  constexpr char16_t kHex[] = u"0123456789ABCDEF";
  std::array<std::array<char16_t, 2>, 256> t{};
  for (int b = 0; b < 256; ++b) t[b] = {kHex[b >> 4], kHex[b & 15]};
  return t;
}();

#ifdef __SSE2__
/// The 32 hex digits of the 16 bytes at `in`.
void EncodeHexBlock(const unsigned char* in, char16_t* o) {
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
  const __m128i nibble = _mm_set1_epi8(0x0F);
  const __m128i low = _mm_and_si128(bytes, nibble);
  const __m128i high = _mm_and_si128(_mm_srli_epi16(bytes, 4), nibble);
  // Nibbles in the order written, then digits: '0' + n, 7 more for A-F.
  auto digits = [](__m128i n) {
    const __m128i letter = _mm_cmpgt_epi8(n, _mm_set1_epi8(9));
    return _mm_add_epi8(_mm_add_epi8(n, _mm_set1_epi8('0')),
                        _mm_and_si128(letter, _mm_set1_epi8(7)));
  };
  const __m128i first = digits(_mm_unpacklo_epi8(high, low));
  const __m128i second = digits(_mm_unpackhi_epi8(high, low));
  const __m128i zero = _mm_setzero_si128();
  auto* out = reinterpret_cast<__m128i*>(o);
  _mm_storeu_si128(out, _mm_unpacklo_epi8(first, zero));
  _mm_storeu_si128(out + 1, _mm_unpackhi_epi8(first, zero));
  _mm_storeu_si128(out + 2, _mm_unpacklo_epi8(second, zero));
  _mm_storeu_si128(out + 3, _mm_unpackhi_epi8(second, zero));
}
#endif

/// A non-ASCII string whose canonical bytes depend on the file's string kind,
/// which is known only once the whole stream has been read.
struct TDeferredString {
  uint32_t Atom;
  size_t Start;  // offset of the value type byte
  size_t End;
};

class TBinaryToText {
 public:
  TBinaryToText(std::string_view data, const TFormConvertOptions& options, TFormStreamInfo* info)
      : FData(reinterpret_cast<const unsigned char*>(data.data())),
        FSize(data.size()),
        FOptions(options),
        FInfo(info) {}

  std::u16string Run(size_t* consumed) {
    // Text takes a little over two characters per byte of hex data and
    // usually less for the rest; one reservation then covers most forms.
    FOut.Reserve(FSize * 5 / 2 + 64);
    Need(4);
    if (std::memcmp(FData, "TPF0", 4) != 0)
      Fail("Invalid stream format: signature TPF0 expected", 0);
    FPos = 4;
    ConvertObject();
    if (consumed)
      *consumed = FPos;
    else if (FPos != FSize)
      Fail("Unexpected data after the end of the component stream", FPos);
    if (FInfo) FinishInfo();
    return FOut.Take();
  }

 private:
  const unsigned char* FData;
  size_t FSize;
  size_t FPos = 0;
  const TFormConvertOptions& FOptions;
  TFormStreamInfo* FInfo;
  TTextBuffer FOut;
  int FLevel = 0;
  int FDepth = 0;
  uint32_t FAtom = 0;
  std::vector<TValueHint> FHints;
  std::vector<TDeferredString> FDeferred;
  int FKindCount[3] = {0, 0, 0};
  std::string FCanonical;
  std::string FNumber;
  std::u16string FText;
  TTextBuffer FHeader;

  // ---- reading -------------------------------------------------------------

  [[noreturn]] void Fail(std::string_view what, size_t at) const {
    throw EFormStreamError(FOptions.FileName, FOptions.BaseOffset + at, what);
  }

  void Need(size_t n) const {
    if (n > FSize - FPos) Fail("Unexpected end of stream", FSize);
  }

  uint8_t Byte() {
    Need(1);
    return FData[FPos++];
  }

  template <typename T>
  T Fixed() {
    Need(sizeof(T));
    T v;
    std::memcpy(&v, FData + FPos, sizeof(T));
    FPos += sizeof(T);
    return v;
  }

  /// A 32-bit count of `unit`-byte elements that must all be in the data.
  size_t Count(size_t unit) {
    size_t at = FPos;
    int32_t n = Fixed<int32_t>();
    if (n < 0) Fail("Negative length", at);
    if (static_cast<size_t>(n) > (FSize - FPos) / unit) Fail("Length exceeds the data", at);
    return static_cast<size_t>(n);
  }

  bool EndOfList() {
    Need(1);
    if (FData[FPos] != 0) return false;
    ++FPos;
    return true;
  }

  void Enter() {
    if (++FDepth > kMaxFormNesting) Fail("Nesting too deep", FPos);
  }
  void Leave() { --FDepth; }

  std::string_view Span(size_t start) const {
    return {reinterpret_cast<const char*>(FData) + start, FPos - start};
  }

  void AddHint(uint32_t atom, size_t start) {
    FHints.push_back({atom, FCanonical, std::string(Span(start))});
  }

  // ---- writing -------------------------------------------------------------

  void Ascii(std::string_view s) {
    char16_t* o = FOut.Extend(s.size());
    for (char c : s) *o++ = static_cast<unsigned char>(c);
  }
  void Indent() { FOut.Fill(2 * static_cast<size_t>(FLevel), u' '); }
  void EndLine() { FOut.Append(FOptions.LineBreak); }
  void NewLine() {
    EndLine();
    Indent();
  }
  void Int(int64_t v) {
    char buf[24];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    Ascii(std::string_view(buf, res.ptr - buf));
  }

  /// A string in quoted runs of printable ASCII and #N codes, in pieces of 64
  /// characters on lines of their own when it is longer than that.
  template <typename Ch>
  void Quoted(const Ch* s, size_t n) {
    if (n == 0) {
      FOut.Append(u"''");
      return;
    }
    auto printable = [](unsigned c) { return c >= 32 && c < 127 && c != '\''; };
    ++FLevel;
    size_t i = 0;
    while (i < n) {
      if (n > kPieceLength) NewLine();
      size_t end = std::min(n, i + kPieceLength);
      while (i < end) {
        unsigned c = static_cast<std::make_unsigned_t<Ch>>(s[i]);
        if (!printable(c)) {
          FOut.Push(u'#');
          Int(c);
          ++i;
          continue;
        }
        // A run of printable characters goes into one quoted part.
        size_t run = i + 1;
        while (run < end && printable(static_cast<std::make_unsigned_t<Ch>>(s[run]))) ++run;
        char16_t* o = FOut.Extend(run - i + 2);
        *o++ = u'\'';
        for (; i < run; ++i) *o++ = static_cast<char16_t>(s[i]);
        *o = u'\'';
      }
      if (i < n) FOut.Append(u" +");
    }
    --FLevel;
  }

  /// Reads a short string and appends its text to `dest`: UTF-8, or in
  /// streams that are not UTF-8 code-page bytes (then the result is false).
  bool ReadShort(TTextBuffer& dest) {
    size_t n = Byte();
    Need(n);
    std::string_view bytes(reinterpret_cast<const char*>(FData) + FPos, n);
    FPos += n;
    if (IsAscii(bytes)) {
      char16_t* o = dest.Extend(n);
      for (size_t i = 0; i < n; ++i) o[i] = static_cast<unsigned char>(bytes[i]);
      return true;
    }
    if (IsValidUtf8(bytes)) {
      dest.Append(Utf8ToUtf16(bytes));
      return true;
    }
    dest.Append(AnsiToUnicode(bytes, FOptions.CodePage));
    return false;
  }

  /// A class, object, property or set element name, which `sayable` tells
  /// whether text can give back (TextNames.h); one it cannot is refused, and
  /// so is one of code-page characters whose UTF-8 form, which text gives
  /// back, is longer than a short string holds.
  void Name(TTextBuffer& dest, bool (*sayable)(std::u16string_view)) {
    size_t start = FPos;
    uint32_t atom = FAtom++;
    size_t at = dest.Size();
    const bool utf8 = ReadShort(dest);
    const std::u16string_view name = dest.View().substr(at);
    if (!sayable(name)) Fail("Name that form text cannot hold", start);
    if (utf8) return;
    FCanonical.clear();
    if (!EncodeShortString(name, FCanonical)) Fail("Name too long", start);
    if (FInfo) AddHint(atom, start);
  }

  static bool IsObjectName(std::u16string_view name) { return name.empty() || IsTextName(name); }

  // ---- objects and properties ---------------------------------------------

  void ConvertObject() {
    Enter();
    size_t start = FPos;
    uint32_t atom = FAtom++;
    uint8_t flags = 0;
    int64_t position = 0;
    Need(1);
    if ((FData[FPos] & 0xF0) == 0xF0) {
      flags = FData[FPos++] & 0x0F;
      if (flags & ffChildPos) {
        size_t at = FPos;
        TValueType t = static_cast<TValueType>(Byte());
        switch (t) {
          case TValueType::vaInt8:
            position = Fixed<int8_t>();
            break;
          case TValueType::vaInt16:
            position = Fixed<int16_t>();
            break;
          case TValueType::vaInt32:
            position = Fixed<int32_t>();
            break;
          case TValueType::vaInt64:
            position = Fixed<int64_t>();
            break;
          default:
            Fail("Invalid child position", at);
        }
      }
    }
    // The text shows one keyword: inherited wins over inline, other bits are lost.
    uint8_t shown = flags & (ffChildPos | ((flags & ffInherited) ? ffInherited : ffInline));
    if (FInfo && FPos > start) {
      FCanonical.clear();
      if (shown) {
        PutByte(FCanonical, 0xF0 | shown);
        if (shown & ffChildPos) EncodeInteger(position, FCanonical);
      }
      if (FCanonical != Span(start)) AddHint(atom, start);
    }
    TTextBuffer& header = FHeader;
    header.Clear();
    Name(header, IsTextName);  // class name
    size_t classLength = header.Size();
    Name(header, IsObjectName);
    Indent();
    Ascii((flags & ffInherited) ? "inherited " : (flags & ffInline) ? "inline " : "object ");
    if (header.Size() > classLength) {
      FOut.Append(header.View().substr(classLength));
      FOut.Append(u": ");
    }
    FOut.Append(header.View().substr(0, classLength));
    if (flags & ffChildPos) {
      FOut.Append(u" [");
      Int(position);
      FOut.Push(u']');
    }
    EndLine();
    ++FLevel;
    while (!EndOfList()) ConvertProperty();
    while (!EndOfList()) ConvertObject();
    --FLevel;
    Indent();
    FOut.Append(u"end");
    EndLine();
    Leave();
  }

  void ConvertProperty() {
    Indent();
    Name(FOut, IsTextPropertyName);
    FOut.Append(u" = ");
    ConvertValue();
    EndLine();
  }

  // ---- values --------------------------------------------------------------

  /// An integer; one the next smaller type would hold gets a hint.
  template <typename T>
  void Integer(size_t start, uint32_t atom, int64_t smallerMax) {
    T v = Fixed<T>();
    Int(v);
    if (FInfo && v >= -smallerMax - 1 && v <= smallerMax) {
      FCanonical.clear();
      EncodeInteger(v, FCanonical);
      AddHint(atom, start);
    }
  }

  /// Shows a float and learns whether the writer gets its bytes back from the text.
  void Float(size_t start, uint32_t atom, TValueType t) {
    FNumber.clear();
    char suffix = 0;
    switch (t) {
      case TValueType::vaExtended:
        Need(10);
        AppendFixedText(ExtendedFromBytes(reinterpret_cast<const char*>(FData + FPos)), FNumber);
        FPos += 10;
        break;
      case TValueType::vaDouble:
        AppendFixedText(Fixed<double>(), FNumber);
        break;
      case TValueType::vaSingle:
        AppendGeneralText(Fixed<float>(), FNumber);
        suffix = 's';
        break;
      case TValueType::vaCurrency: {
        // The count of ten-thousandths, in full: the host's 15 digits would
        // lose the last ones of counts from 10^15 on.
        char buf[24];
        auto res = std::to_chars(buf, buf + sizeof buf, Fixed<int64_t>());
        FNumber.append(buf, res.ptr);
        suffix = 'c';
        break;
      }
      default:
        AppendGeneralText(Fixed<double>(), FNumber);
        suffix = 'd';
        break;
    }
    Ascii(FNumber);
    if (suffix) FOut.Push(static_cast<char16_t>(suffix));
    if (!FInfo) return;
    FCanonical.clear();
    if (!EncodeNumber(FNumber, suffix, FCanonical)) {
      // "NAN", "INF" and "-INF" read back as identifiers.
      FCanonical.clear();
      if (suffix) FNumber.push_back(suffix);
      if (!EncodeIdent(U16(FNumber), FCanonical)) return;
    }
    if (FCanonical != Span(start)) AddHint(atom, start);
  }

  void ConvertValue() {
    size_t start = FPos;
    TValueType t = static_cast<TValueType>(Byte());
    switch (t) {
      case TValueType::vaList:
        Enter();
        FOut.Push(u'(');
        ++FLevel;
        while (!EndOfList()) {
          NewLine();
          ConvertValue();
        }
        --FLevel;
        FOut.Push(u')');
        Leave();
        return;
      case TValueType::vaInt8:
        ++FAtom;
        Int(Fixed<int8_t>());
        return;
      case TValueType::vaInt16:
        return Integer<int16_t>(start, FAtom++, INT8_MAX);
      case TValueType::vaInt32:
        return Integer<int32_t>(start, FAtom++, INT16_MAX);
      case TValueType::vaInt64:
        return Integer<int64_t>(start, FAtom++, INT32_MAX);
      case TValueType::vaExtended:
      case TValueType::vaDouble:
      case TValueType::vaSingle:
      case TValueType::vaCurrency:
      case TValueType::vaDate:
        return Float(start, FAtom++, t);
      case TValueType::vaString:
        return String8(start, FAtom++, Byte(), false);
      case TValueType::vaLString:
        return String8(start, FAtom++, Count(1), true);
      case TValueType::vaUTF8String:
        return StringUtf8(start, FAtom++);
      case TValueType::vaWString:
        return StringWide(start, FAtom++);
      case TValueType::vaIdent:
        return Ident(start, FAtom++);
      case TValueType::vaFalse:
        ++FAtom;
        FOut.Append(u"False");
        return;
      case TValueType::vaTrue:
        ++FAtom;
        FOut.Append(u"True");
        return;
      case TValueType::vaNil:
        ++FAtom;
        FOut.Append(u"nil");
        return;
      case TValueType::vaNull:
        ++FAtom;
        FOut.Append(u"Null");
        return;
      case TValueType::vaBinary:
        return Binary();
      case TValueType::vaSet:
        FOut.Push(u'[');
        for (bool first = true; !EndOfList(); first = false) {
          if (!first) FOut.Append(u", ");
          Name(FOut, IsTextSetElement);
        }
        FOut.Push(u']');
        return;
      case TValueType::vaCollection:
        return Collection();
    }
    Fail("Unknown value type " + std::to_string(static_cast<int>(t)), start);
  }

  void String8(size_t start, uint32_t atom, size_t n, bool isLong) {
    Need(n);
    const char* s = reinterpret_cast<const char*>(FData + FPos);
    FPos += n;
    if (IsAscii(std::string_view(s, n))) {
      Quoted(s, n);
      if (FInfo && isLong && n <= 255) Canonical8(start, atom, std::string_view(s, n));
      return;
    }
    FText = AnsiToUnicode(std::string_view(s, n), FOptions.CodePage);
    Quoted(FText.data(), FText.size());
    Defer(atom, start, TStringKind::skAnsi);
  }

  void StringUtf8(size_t start, uint32_t atom) {
    size_t n = Count(1);
    const char* s = reinterpret_cast<const char*>(FData + FPos);
    FPos += n;
    if (IsAscii(std::string_view(s, n))) {
      Quoted(s, n);
      if (FInfo) Canonical8(start, atom, std::string_view(s, n));
      return;
    }
    FText = Utf8ToUtf16(std::string_view(s, n));
    Quoted(FText.data(), FText.size());
    Defer(atom, start, TStringKind::skUtf8);
  }

  void StringWide(size_t start, uint32_t atom) {
    size_t n = Count(2);
    FText.resize(n);
    for (size_t i = 0; i < n; ++i)
      FText[i] = static_cast<char16_t>(FData[FPos + 2 * i] | (FData[FPos + 2 * i + 1] << 8));
    FPos += 2 * n;
    Quoted(FText.data(), FText.size());
    if (!IsAscii(FText)) return Defer(atom, start, TStringKind::skWide);
    if (FInfo) {
      FCanonical.clear();
      EncodeString(FText, TStringKind::skUtf8, FOptions.CodePage, FCanonical);
      AddHint(atom, start);
    }
  }

  /// ASCII text read from a value type the writer would not choose for it.
  void Canonical8(size_t start, uint32_t atom, std::string_view ascii) {
    FCanonical.clear();
    EncodeString(U16(ascii), TStringKind::skUtf8, 0, FCanonical);
    AddHint(atom, start);
  }

  void Defer(uint32_t atom, size_t start, TStringKind kind) {
    if (!FInfo) return;
    FDeferred.push_back({atom, start, FPos});
    ++FKindCount[static_cast<int>(kind)];
  }

  void Ident(size_t start, uint32_t atom) {
    size_t at = FOut.Size();
    bool utf8 = ReadShort(FOut);
    const std::u16string_view ident = FOut.View().substr(at);
    if (!IsTextIdentValue(ident)) Fail("Identifier that form text cannot hold", start);
    if (utf8) {
      // Text gives the same bytes back; only the four words need a look.
      if (!FInfo || ident.size() < 3 || ident.size() > 5) return;
    }
    FCanonical.clear();
    // Code-page characters come back from text as UTF-8, which may not fit.
    if (!EncodeIdent(ident, FCanonical)) Fail("Identifier too long", start);
    if (FInfo && FCanonical != Span(start)) AddHint(atom, start);
  }

  /// Hex digits in lines of 32 bytes; a value of 32 bytes or more starts
  /// each line on a line of its own, one level deeper.
  void Binary() {
    size_t n = Count(1);
    bool multiLine = n >= kBytesPerLine;
    size_t lines = (n + kBytesPerLine - 1) / kBytesPerLine;
    std::u16string_view lineBreak = FOptions.LineBreak;
    size_t indent = 2 * static_cast<size_t>(FLevel + 1);
    char16_t* o = FOut.Extend(2 + 2 * n + (multiLine ? lines * (lineBreak.size() + indent) : 0));
    *o++ = u'{';
    const unsigned char* in = FData + FPos;
    for (size_t left = n; left > 0;) {
      if (multiLine) {
        o = std::copy(lineBreak.begin(), lineBreak.end(), o);
        o = std::fill_n(o, indent, u' ');
      }
      size_t chunk = std::min(left, kBytesPerLine);
      size_t i = 0;
#ifdef __SSE2__
      for (; chunk - i >= 16; i += 16, o += 32) EncodeHexBlock(in + i, o);
#endif
      for (; i < chunk; ++i, o += 2) std::memcpy(o, kHexPairs[in[i]].data(), 4);
      in += chunk;
      left -= chunk;
    }
    *o = u'}';
    FPos += n;
  }

  void Collection() {
    Enter();
    FOut.Push(u'<');
    ++FLevel;
    while (!EndOfList()) {
      NewLine();
      FOut.Append(u"item");
      TValueType t = static_cast<TValueType>(FData[FPos]);
      if (t == TValueType::vaInt8 || t == TValueType::vaInt16 || t == TValueType::vaInt32) {
        FOut.Append(u" [");
        ConvertValue();
        FOut.Push(u']');
      }
      EndLine();
      if (Byte() != static_cast<uint8_t>(TValueType::vaList)) Fail("List expected", FPos - 1);
      ++FLevel;
      while (!EndOfList()) ConvertProperty();
      --FLevel;
      Indent();
      FOut.Append(u"end");
    }
    --FLevel;
    FOut.Push(u'>');
    Leave();
  }

  // ---- what the text cannot say ---------------------------------------------

  void FinishInfo() {
    // The kind most non-ASCII strings use; the others get hints.
    int best = 0;
    for (int k = 1; k < 3; ++k)
      if (FKindCount[k] > FKindCount[best]) best = k;
    TStringKind kind = static_cast<TStringKind>(best);
    for (const TDeferredString& d : FDeferred) {
      std::string_view original(reinterpret_cast<const char*>(FData) + d.Start, d.End - d.Start);
      FCanonical.clear();
      EncodeString(DecodeString(original), kind, FOptions.CodePage, FCanonical);
      if (FCanonical != original) FHints.push_back({d.Atom, FCanonical, std::string(original)});
    }
    std::sort(FHints.begin(), FHints.end(),
              [](const TValueHint& a, const TValueHint& b) { return a.Atom < b.Atom; });
    FInfo->NonAsciiStrings = kind;
    FInfo->Hints = std::move(FHints);
  }

  /// The text of a string value already checked by the reader.
  std::u16string DecodeString(std::string_view value) const {
    switch (static_cast<TValueType>(value[0])) {
      case TValueType::vaString:
        return AnsiToUnicode(value.substr(2), FOptions.CodePage);
      case TValueType::vaLString:
        return AnsiToUnicode(value.substr(5), FOptions.CodePage);
      case TValueType::vaUTF8String:
        return Utf8ToUtf16(value.substr(5));
      default: {
        std::u16string text((value.size() - 5) / 2, u'\0');
        for (size_t i = 0; i < text.size(); ++i)
          text[i] = static_cast<char16_t>(static_cast<unsigned char>(value[5 + 2 * i]) |
                                          (static_cast<unsigned char>(value[6 + 2 * i]) << 8));
        return text;
      }
    }
  }
};

}  // namespace
}  // namespace dfm

std::u16string ObjectBinaryToText(std::string_view stream, const TFormConvertOptions& options,
                                  TFormStreamInfo* info, size_t* consumed) {
  return dfm::TBinaryToText(stream, options, info).Run(consumed);
}

}  // namespace zan
