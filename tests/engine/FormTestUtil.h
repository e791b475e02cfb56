// Checks shared by the form-run tests: what must hold for every form a run
// writes, whatever the input.
#pragma once

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "engine/rewrite/FormRewriter.h"
#include "rtl/Strings.h"
#include "rtl/dfm/FormFile.h"

namespace zan::test {

/// The lines of `text` with their line breaks.
inline std::vector<std::u16string> SplitKeepingBreaks(const std::u16string& text) {
  std::vector<std::u16string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\n' || (text[i] == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n'))) {
      lines.push_back(text.substr(start, i + 1 - start));
      start = i + 1;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

inline std::u16string TrimBreak(std::u16string line) {
  while (!line.empty() && (line.back() == u'\r' || line.back() == u'\n')) line.pop_back();
  return line;
}

/// The class of an object header line ("object Name: TClass", "inherited
/// Name: TClass [2]", "inline TClass"; "" for any other line), and its
/// indentation.
inline std::u16string ObjectHeaderClass(const std::u16string& line, size_t& indent) {
  const std::u16string text = TrimBreak(line);
  indent = text.find_first_not_of(u' ');
  if (indent == std::u16string::npos) return {};
  size_t start = std::u16string::npos;
  for (std::u16string_view keyword : {u"object ", u"inherited ", u"inline "})
    if (text.compare(indent, keyword.size(), keyword) == 0) start = indent + keyword.size();
  if (start == std::u16string::npos) return {};
  const size_t colon = text.find(u": ", start);
  if (colon != std::u16string::npos) start = colon + 2;
  const size_t end = text.find_first_of(u" [", start);
  return text.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
}

/// `text` without the objects (any header keyword) whose class is in
/// `classes` (upper case), from their header line to their `end` line.
inline std::u16string WithoutObjects(const std::u16string& text,
                                     const std::set<std::u16string>& classes) {
  std::u16string rest;
  const std::vector<std::u16string> lines = SplitKeepingBreaks(text);
  for (size_t i = 0; i < lines.size(); ++i) {
    size_t indent = 0;
    const std::u16string cls = ObjectHeaderClass(lines[i], indent);
    if (!cls.empty() && classes.count(UpperCase(cls))) {
      const std::u16string endLine = std::u16string(indent, u' ') + u"end";
      while (i < lines.size() && TrimBreak(lines[i]) != endLine) ++i;
      continue;
    }
    rest += lines[i];
  }
  return rest;
}

/// Top-level property names of every object of a class in `classes` that
/// occur more than once (a backtracking parse must not repeat an entry).
inline std::vector<std::u16string> DuplicateProperties(const std::u16string& text,
                                                       const std::set<std::u16string>& classes) {
  std::vector<std::u16string> duplicates;
  const std::vector<std::u16string> lines = SplitKeepingBreaks(text);
  for (size_t i = 0; i < lines.size(); ++i) {
    size_t indent = 0;
    const std::u16string cls = ObjectHeaderClass(lines[i], indent);
    if (cls.empty() || !classes.count(UpperCase(cls))) continue;
    std::set<std::u16string> seen;
    const std::u16string propIndent(indent + 2, u' ');
    for (size_t j = i + 1; j < lines.size(); ++j) {
      const std::u16string line = TrimBreak(lines[j]);
      if (line == std::u16string(indent, u' ') + u"end") break;
      if (line.compare(0, propIndent.size(), propIndent) != 0 || line.size() <= propIndent.size() ||
          line[propIndent.size()] == u' ')
        continue;
      const size_t eq = line.find(u" = ");
      if (eq == std::u16string::npos) continue;
      const std::u16string name = line.substr(propIndent.size(), eq - propIndent.size());
      if (!seen.insert(name).second) duplicates.push_back(cls + u"." + name);
    }
  }
  return duplicates;
}

/// The form text of a form file's bytes (binary or text).
inline std::u16string FormText(const std::string& bytes, const std::u16string& fileName) {
  return ReadFormFile(bytes, fileName, 1252).Text;
}

/// What every form the run writes must satisfy: it reads as a form in the
/// storage form of the input, converts to binary and back, repeats no
/// property in a converted object, and outside the objects of the source
/// classes (input) and target classes (output) it is the input line for line.
inline void ExpectSoundConversion(const std::string& input, const std::string& output,
                                  const std::set<std::u16string>& sourceClasses,
                                  const std::set<std::u16string>& targetClasses,
                                  const std::u16string& fileName) {
  SCOPED_TRACE(Utf16ToUtf8(fileName));
  const TFormFileText before = ReadFormFile(input, fileName, 1252);
  TFormFileText after;
  ASSERT_NO_THROW(after = ReadFormFile(output, fileName, 1252));
  EXPECT_EQ(after.Binary, before.Binary);
  if (before.Binary) {
    EXPECT_EQ(after.Layout.Header.Name, before.Layout.Header.Name);
  } else {
    EXPECT_EQ(after.Encoding, before.Encoding);
    EXPECT_NO_THROW(CheckFormText(after.Text, fileName, 1252));
    // An LF file gets no CR from a regenerated object.
    if (before.Text.find(u'\r') == std::u16string::npos) {
      EXPECT_EQ(after.Text.find(u'\r'), std::u16string::npos);
    }
  }
  EXPECT_EQ(DuplicateProperties(after.Text, targetClasses), std::vector<std::u16string>{});
  std::set<std::u16string> both = sourceClasses;
  both.insert(targetClasses.begin(), targetClasses.end());
  // Compared line by line, so that a failure shows the first line that differs.
  const std::vector<std::u16string> want = SplitKeepingBreaks(WithoutObjects(before.Text, both));
  const std::vector<std::u16string> got = SplitKeepingBreaks(WithoutObjects(after.Text, both));
  for (size_t i = 0; i < want.size() || i < got.size(); ++i) {
    const std::u16string w = i < want.size() ? want[i] : u"<none>";
    const std::u16string g = i < got.size() ? got[i] : u"<none>";
    if (w != g) {
      ADD_FAILURE() << "outside the converted objects, line " << i + 1
                    << " differs:\n  input:  " << Utf16ToUtf8(w)
                    << "\n  output: " << Utf16ToUtf8(g);
      break;
    }
  }
}

}  // namespace zan::test
