#include "rtl/dfm/FormFile.h"

#include <cstdint>

namespace zan {

TBinaryFormText ReadBinaryForm(std::string_view bytes, const TFormConvertOptions& options) {
  TBinaryFormText result;
  TBinaryFormLayout& layout = result.Layout;
  size_t start = 0;
  size_t length = bytes.size();
  layout.HasResourceHeader = HasResourceHeader(bytes);
  if (layout.HasResourceHeader) {
    start = ReadResourceHeader(bytes, layout.Header, options.FileName);
    length = static_cast<size_t>(layout.Header.Size);
  }
  TFormConvertOptions streamOptions = options;
  streamOptions.BaseOffset = start;
  size_t consumed = 0;
  result.Text =
      ObjectBinaryToText(bytes.substr(start, length), streamOptions, &layout.Info, &consumed);
  layout.Slack.assign(bytes.substr(start + consumed, length - consumed));
  layout.Trailing.assign(bytes.substr(start + length));
  return result;
}

namespace {

/// The class name of the root object in a stream: after "TPF0", an optional
/// header prefix and its child position.
std::string RootClassName(std::string_view stream) {
  size_t p = 4;
  if (p < stream.size() && (static_cast<unsigned char>(stream[p]) & 0xF0) == 0xF0) {
    bool childPos = stream[p] & 2;
    ++p;
    if (childPos && p < stream.size()) {
      static const size_t kIntSize[] = {0, 0, 1, 2, 4};
      unsigned char t = stream[p];
      p += 1 + (t == 19 ? 8 : t < 5 ? kIntSize[t] : 0);
    }
  }
  if (p >= stream.size()) return {};
  size_t n = static_cast<unsigned char>(stream[p]);
  std::string name(stream.substr(p + 1, n));
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c -= 32;
  return name;
}

}  // namespace

std::string WriteBinaryForm(std::u16string_view text, const TBinaryFormLayout* layout,
                            const TFormConvertOptions& options) {
  std::string stream = ObjectTextToBinary(text, options, layout ? &layout->Info : nullptr);
  if (layout && !layout->HasResourceHeader) return stream + layout->Slack + layout->Trailing;
  TRCData header;
  if (layout)
    header = layout->Header;
  else
    header.Name = RootClassName(stream);
  size_t slack = layout ? layout->Slack.size() : 0;
  if (stream.size() + slack > INT32_MAX)
    throw EFormStreamError(options.FileName, 0, "Component stream too large for a resource");
  header.Size = static_cast<int32_t>(stream.size() + slack);
  std::string out = WriteResourceHeader(header);
  out.reserve(out.size() + stream.size() + slack + (layout ? layout->Trailing.size() : 0));
  out += stream;
  if (layout) {
    out += layout->Slack;
    out += layout->Trailing;
  }
  return out;
}

}  // namespace zan
