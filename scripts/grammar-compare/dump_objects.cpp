// Dumps what the form parser makes of every object of every form under a
// folder: one record per object header (the file, the line, then "OK" and the
// regenerated object, or "FAIL"). Objects of the catalogue's source classes
// are converted with the rules into their target class, the others are
// regenerated unchanged. Built against two trees, the dumps show whether an
// object converts exactly as before (see compare.sh).
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "engine/catalogue/ZanReplacer.h"
#include "engine/rewrite/FormFileText.h"
#include "formrules/ZanFormParser.h"
#include "rtl/Encoding.h"
#include "rtl/Strings.h"

namespace fs = std::filesystem;
using namespace zan;

namespace {

const std::u16string* TargetOf(std::u16string_view cls) {
  static std::vector<std::pair<std::u16string, std::u16string>> pairs = [] {
    std::vector<std::pair<std::u16string, std::u16string>> p;
    for (const TLibraryInfo& lib : CatalogueLibraries())
      for (const TReplacePair& pair : lib.Pairs)
        p.emplace_back(UpperCase(std::u16string(pair.OldComp)), std::u16string(pair.NewComp));
    return p;
  }();
  const std::u16string key = UpperCase(std::u16string(cls));
  for (const auto& [source, target] : pairs)
    if (source == key) return &target;
  return nullptr;
}

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: dump_objects CORPUS_DIR OUT_FILE\n";
    return 2;
  }
  const fs::path root = argv[1];
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::string ext = entry.path().extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (entry.is_regular_file() && ext == ".dfm") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  std::ofstream out(argv[2], std::ios::binary);
  TZanFormParser rules;
  rules.SetOnGetPropertyValue([](const std::u16string&, const std::u16string& alias) {
    return alias.empty() ? std::u16string() : std::u16string(u"Database1");
  });
  TFormParser plain;
  plain.SetIndentHeader(false);
  rules.SetIndentHeader(false);
  for (const fs::path& path : files) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string rel = fs::relative(path, root).string();
    TFormFileText form;
    try {
      form = ReadFormFile(bytes.str(), Utf8ToUtf16(rel), 1252);
    } catch (const Exception& e) {
      out << rel << ": UNREADABLE " << e.what() << "\n";
      continue;
    }
    const std::u16string& text = form.Text;
    rules.SetLineBreak(form.LineBreak);
    plain.SetLineBreak(form.LineBreak);
    int lineNo = 0;
    for (size_t start = 0; start < text.size();) {
      ++lineNo;
      size_t end = text.find(u'\n', start);
      if (end == std::u16string::npos) end = text.size();
      size_t k = start;
      while (k < end && IsBlank(text[k])) ++k;
      const std::u16string_view line = std::u16string_view(text).substr(k, end - k);
      if (StartsText(u"object ", line) || StartsText(u"inherited ", line) ||
          StartsText(u"inline ", line)) {
        // The class: after the colon, else the word after the keyword.
        std::u16string_view head = line.substr(line.find(u' ') + 1);
        const size_t colon = head.find(u':');
        if (colon != std::u16string_view::npos) head = head.substr(colon + 1);
        while (!head.empty() && IsBlank(head.front())) head.remove_prefix(1);
        head = head.substr(0, head.find_first_of(u" \t\r["));
        const std::u16string* target = TargetOf(head);
        TFormParser& parser = target ? static_cast<TFormParser&>(rules) : plain;
        parser.SetNewClassName(target ? *target : std::u16string());
        int pos = static_cast<int>(k) + 1;
        out << rel << ":" << lineNo << ": ";
        if (parser.ParseString(text, u"<object>", pos)) {
          out << "OK " << (target ? "converted" : "kept") << " end=" << parser.ObjectEndPos()
              << "\n"
              << Utf16ToUtf8(parser.MakeObject(static_cast<int>((k - start) / 2)));
          if (target)
            for (const std::u16string& name : rules.DroppedProperties())
              out << "dropped " << Utf16ToUtf8(name) << "\n";
        } else {
          out << "FAIL\n";
        }
      }
      start = end + 1;
    }
  }
  return 0;
}
