#include "rtl/Encoding.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include <iconv.h>

#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan {

namespace {

constexpr char kDefaultChar = '?';
// Code units tested at once by the ASCII fast paths.
constexpr size_t kAsciiBlock = 16;

// The block helpers copy through local arrays: the compiler cannot tell that
// a char16_t output does not overlap a char input (char aliases anything),
// and would otherwise not vectorise the loops.

bool IsAsciiBlock(const unsigned char* in) {
  uint64_t w[2];
  std::memcpy(w, in, sizeof w);
  return ((w[0] | w[1]) & 0x8080808080808080u) == 0;
}

bool IsAsciiBlock(const char16_t* in) {
  uint64_t w[4];
  std::memcpy(w, in, sizeof w);
  return ((w[0] | w[1] | w[2] | w[3]) & 0xFF80FF80FF80FF80u) == 0;
}

void WidenBlock(const unsigned char* in, char16_t* out) {
  unsigned char b[kAsciiBlock];
  std::memcpy(b, in, sizeof b);
  char16_t w[kAsciiBlock];
  for (size_t k = 0; k < kAsciiBlock; ++k) w[k] = b[k];
  std::memcpy(out, w, sizeof w);
}

void NarrowBlock(const char16_t* in, char* out) {
  char16_t w[kAsciiBlock];
  std::memcpy(w, in, sizeof w);
  char b[kAsciiBlock];
  for (size_t k = 0; k < kAsciiBlock; ++k) b[k] = static_cast<char>(w[k]);
  std::memcpy(out, b, sizeof b);
}

// Windows-1252 bytes 0x80..0x9F; the five bytes the code page leaves
// undefined map to the C1 control of the same value, as the host does, so
// every byte survives a round trip.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

std::string IconvName(int codePage) {
  return "CP" + std::to_string(codePage);
}

bool IsMultiByte(int codePage) {
  switch (codePage) {
    case 932:
    case 936:
    case 949:
    case 950:
    case 1361:
    case 20932:
    case 51949:
    case 54936:
      return true;
    default:
      return false;
  }
}

// A code page's conversion: a byte table for single-byte code pages, iconv
// for multi-byte ones.
struct CodePage {
  int number = 0;
  bool multiByte = false;
  std::array<char16_t, 256> toUnicode{};
  std::vector<int16_t> fromUnicode;  // 65536 entries, -1 where unrepresentable
  // Bytes 0-127 are the ASCII characters (and so are their reverse entries),
  // which lets runs of ASCII skip the tables. Not true of every code page.
  bool asciiIdentity = false;

  void BuildReverse() {
    fromUnicode.assign(0x10000, -1);
    for (int b = 255; b >= 0; --b) fromUnicode[toUnicode[b]] = static_cast<int16_t>(b);
    asciiIdentity = true;
    for (int b = 0; b < 128; ++b)
      if (toUnicode[b] != b || fromUnicode[b] != b) asciiIdentity = false;
  }
};

class IconvHandle {
 public:
  IconvHandle(const std::string& to, const std::string& from)
      : cd_(iconv_open(to.c_str(), from.c_str())) {}
  ~IconvHandle() {
    if (ok()) iconv_close(cd_);
  }
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

std::unique_ptr<CodePage> LoadCodePage(int number) {
  auto cp = std::make_unique<CodePage>();
  cp->number = number;
  if (number == 1252) {
    for (int b = 0; b < 256; ++b)
      cp->toUnicode[b] = (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : static_cast<char16_t>(b);
    cp->BuildReverse();
    return cp;
  }
  IconvHandle cd("UTF-16LE", IconvName(number));
  if (!cd.ok()) return nullptr;
  cp->multiByte = IsMultiByte(number);
  if (cp->multiByte) return cp;
  for (int b = 0; b < 256; ++b) {
    char in = static_cast<char>(b);
    char16_t out[2] = {0, 0};
    char* inp = &in;
    size_t inLeft = 1;
    char* outp = reinterpret_cast<char*>(out);
    size_t outLeft = sizeof(out);
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    const size_t r = iconv(cd.get(), &inp, &inLeft, &outp, &outLeft);
    // Undefined bytes keep their value as a C1/Latin-1 character so that they survive.
    cp->toUnicode[b] =
        (r == static_cast<size_t>(-1) || outLeft != 2) ? static_cast<char16_t>(b) : out[0];
  }
  cp->BuildReverse();
  return cp;
}

std::mutex gCodePagesMutex;
std::map<int, std::unique_ptr<CodePage>>& CodePages() {
  static std::map<int, std::unique_ptr<CodePage>> pages;
  return pages;
}

const CodePage* FindCodePage(int number) {
  std::lock_guard<std::mutex> lock(gCodePagesMutex);
  auto& pages = CodePages();
  auto it = pages.find(number);
  if (it != pages.end()) return it->second.get();
  auto cp = LoadCodePage(number);
  const CodePage* result = cp.get();
  if (cp) pages.emplace(number, std::move(cp));
  return result;
}

int InitialCodePage() {
  if (const char* env = std::getenv("ZANMIG_CODEPAGE"); env && *env) {
    const int n = std::atoi(env);
    if (n > 0 && FindCodePage(n)) return n;
  }
  return 1252;
}

std::atomic<int>& CurrentCodePage() {
  static std::atomic<int> current{InitialCodePage()};
  return current;
}

const CodePage& Resolve(int codePage) {
  const int n = codePage == 0 ? AnsiCodePage() : codePage;
  // Loaded code pages live as long as the process, so each thread may keep
  // the one it used last and skip the lock.
  thread_local int lastNumber = 0;
  thread_local const CodePage* last = nullptr;
  if (last && lastNumber == n) return *last;
  const CodePage* cp = FindCodePage(n);
  if (!cp) throw EEncodingError("Unknown code page " + std::to_string(n));
  lastNumber = n;
  last = cp;
  return *cp;
}

std::u16string MultiByteToUnicode(const CodePage& cp, std::string_view bytes) {
  IconvHandle cd("UTF-16LE", IconvName(cp.number));
  std::u16string out;
  out.reserve(bytes.size());
  char* inp = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  std::vector<char16_t> buf(4096);
  while (inLeft > 0) {
    char* outp = reinterpret_cast<char*>(buf.data());
    size_t outLeft = buf.size() * sizeof(char16_t);
    const size_t r = iconv(cd.get(), &inp, &inLeft, &outp, &outLeft);
    out.append(buf.data(), (buf.size() * sizeof(char16_t) - outLeft) / sizeof(char16_t));
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      // An invalid or truncated sequence: one replacement character per byte.
      out += char16_t{0xFFFD};
      ++inp;
      --inLeft;
      iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

std::string UnicodeToMultiByte(const CodePage& cp, std::u16string_view text, bool& lossless) {
  IconvHandle cd(IconvName(cp.number), "UTF-16LE");
  std::string out;
  out.reserve(text.size() * 2);
  char* inp = reinterpret_cast<char*>(const_cast<char16_t*>(text.data()));
  size_t inLeft = text.size() * sizeof(char16_t);
  std::vector<char> buf(8192);
  while (inLeft > 0) {
    char* outp = buf.data();
    size_t outLeft = buf.size();
    const size_t r = iconv(cd.get(), &inp, &inLeft, &outp, &outLeft);
    out.append(buf.data(), buf.size() - outLeft);
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      lossless = false;
      out += kDefaultChar;
      // Skip one character: a surrogate pair counts as one.
      const char16_t c = *reinterpret_cast<char16_t*>(inp);
      const size_t skip = (IsHighSurrogate(c) && inLeft >= 4) ? 4 : 2;
      inp += std::min(skip, inLeft);
      inLeft -= std::min(skip, inLeft);
      iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    }
  }
  return out;
}

}  // namespace

int AnsiCodePage() {
  return CurrentCodePage().load();
}

void SetAnsiCodePage(int codePage) {
  if (codePage <= 0 || !FindCodePage(codePage))
    throw EEncodingError("Unknown code page " + std::to_string(codePage));
  CurrentCodePage().store(codePage);
}

std::u16string AnsiToUnicode(std::string_view bytes, int codePage) {
  const CodePage& cp = Resolve(codePage);
  if (cp.multiByte) return MultiByteToUnicode(cp, bytes);
  std::u16string out(bytes.size(), u'\0');
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  char16_t* o = out.data();
  const size_t n = bytes.size();
  size_t i = 0;
  if (cp.asciiIdentity) {
    // Blocks of ASCII are widened as they are; the fixed-size loops vectorise.
    for (; n - i >= kAsciiBlock; i += kAsciiBlock) {
      if (IsAsciiBlock(in + i)) {
        WidenBlock(in + i, o + i);
      } else {
        for (size_t k = 0; k < kAsciiBlock; ++k) o[i + k] = cp.toUnicode[in[i + k]];
      }
    }
  }
  for (; i < n; ++i) o[i] = cp.toUnicode[in[i]];
  return out;
}

std::string UnicodeToAnsi(std::u16string_view text, int codePage, bool* lossless) {
  const CodePage& cp = Resolve(codePage);
  bool ok = true;
  std::string out;
  if (cp.multiByte) {
    out = UnicodeToMultiByte(cp, text, ok);
  } else {
    out.resize(text.size());
    const char16_t* in = text.data();
    const size_t n = text.size();
    size_t i = 0;
    size_t o = 0;
    // One character through the table; a surrogate pair is one character
    // and gives one default character.
    const int16_t* const table = cp.fromUnicode.data();
    char* const dest = out.data();
    auto encodeOne = [&] {
      const char16_t c = in[i++];
      const int16_t b = table[c];
      if (b >= 0) {
        dest[o++] = static_cast<char>(b);
        return;
      }
      ok = false;
      dest[o++] = kDefaultChar;
      if (IsHighSurrogate(c) && i < n && IsLowSurrogate(in[i])) ++i;
    };
    if (cp.asciiIdentity) {
      while (n - i >= kAsciiBlock) {
        if (IsAsciiBlock(in + i)) {
          NarrowBlock(in + i, dest + o);
          i += kAsciiBlock;
          o += kAsciiBlock;
          continue;
        }
        // A pair skipped at the block's end may carry `i` one past `stop`.
        for (const size_t stop = i + kAsciiBlock; i < stop;) encodeOne();
      }
    }
    while (i < n) encodeOne();
    out.resize(o);
  }
  if (lossless) *lossless = ok;
  return out;
}

bool AnsiRoundTrips(std::string_view bytes, int codePage) {
  const CodePage& cp = Resolve(codePage);
  if (!cp.multiByte) return true;  // every byte has a character of its own
  bool ok = true;
  return UnicodeToAnsi(AnsiToUnicode(bytes, codePage), codePage, &ok) == bytes && ok;
}

std::u16string Utf16LEToUnicode(std::string_view bytes) {
  if (bytes.size() % 2 != 0) throw EEncodingError("UTF-16 text with an odd number of bytes");
  std::u16string out(bytes.size() / 2, u'\0');
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char16_t>(in[2 * i] | (in[2 * i + 1] << 8));
  return out;
}

std::string UnicodeToUtf16LE(std::u16string_view text) {
  std::string out(text.size() * 2, '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    out[2 * i] = static_cast<char>(text[i] & 0xFF);
    out[2 * i + 1] = static_cast<char>(text[i] >> 8);
  }
  return out;
}

std::u16string Decode(std::string_view bytes, TTextEncoding encoding) {
  switch (encoding) {
    case TTextEncoding::Utf8:
      return Utf8ToUtf16(bytes);
    case TTextEncoding::Utf16LE:
      return Utf16LEToUnicode(bytes);
    case TTextEncoding::Ansi:
      break;
  }
  return AnsiToUnicode(bytes);
}

std::string Encode(std::u16string_view text, TTextEncoding encoding) {
  switch (encoding) {
    case TTextEncoding::Utf8:
      return Utf16ToUtf8(text);
    case TTextEncoding::Utf16LE:
      return UnicodeToUtf16LE(text);
    case TTextEncoding::Ansi:
      break;
  }
  return UnicodeToAnsi(text);
}

}  // namespace zan
