// The reader that `restore --dry-run` lists from and the restore run agree on
// every undo file: the reader finds every backup exactly when restore puts
// every original back; otherwise restore copies nothing.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/RestoreRun.h"
#include "engine/UndoReader.h"
#include "rtl/FileSystem.h"
#include "rtl/Strings.h"
#include "support/MemoryFileSystem.h"

namespace zan::test {
namespace {

constexpr char16_t kUndo[] = u"/bk/RExpert.reu";

/// Originals under /w ("new ..."), their backups under /bk ("old ..."), and a
/// folder named like a backup.
void AddTree(TMemoryFileSystem& fs) {
  for (const std::string name : {"A", "B", "x=y", "a=b/C", "\xC3\xA9t\xC3\xA9"}) {
    fs.AddFile(Utf8ToUtf16("/w/" + name + ".pas"), "new " + name);
    fs.AddFile(Utf8ToUtf16("/bk/" + name + ".~pas"), "old " + name);
  }
  fs.AddFolder(u"/bk/Dir.~pas");
}

/// The entries as the dry run lists them, joined by "; ".
std::string Dump(const std::vector<TUndoEntry>& entries) {
  std::string dump;
  for (const TUndoEntry& entry : entries) {
    if (!dump.empty()) dump += "; ";
    dump += Utf16ToUtf8(entry.Original) + " <- " + Utf16ToUtf8(entry.Backup) +
            (entry.BackupExists ? "" : " (backup missing)");
  }
  return dump;
}

TEST(UndoReaderTest, TheListingAndTheRestoreAgree) {
  struct TCase {
    const char* Undo;
    bool Restores;
    const char* Entries;
  };
  const TCase cases[] = {
      {"/w/A.pas=/bk/A.~pas\r\n/w/B.pas=/bk/B.~pas\r\n", true,
       "/w/A.pas <- /bk/A.~pas; /w/B.pas <- /bk/B.~pas"},
      {"/w/A.pas=/bk/A.~pas\n/w/B.pas=/bk/B.~pas", true,  // LF, no final line break
       "/w/A.pas <- /bk/A.~pas; /w/B.pas <- /bk/B.~pas"},
      // Missing backups: none named, none there, a folder in its place.
      {"/w/A.pas=/bk/A.~pas\r\n/w/B.pas=/bk/Gone.~pas\r\n", false,
       "/w/A.pas <- /bk/A.~pas; /w/B.pas <- /bk/Gone.~pas (backup missing)"},
      {"/w/A.pas=/bk/A.~pas\r\n/w/B.pas\r\n", false,
       "/w/A.pas <- /bk/A.~pas; /w/B.pas <-  (backup missing)"},
      {"/w/A.pas=/bk/Dir.~pas\r\n", false, "/w/A.pas <- /bk/Dir.~pas (backup missing)"},
      // Nothing to restore, or a blank line that names nothing.
      {"", false, ""},
      {"\r\n", false, " <-  (backup missing)"},
      {"\n", false, " <-  (backup missing)"},
      {"/w/A.pas=/bk/A.~pas\r\n\r\n/w/B.pas=/bk/B.~pas\r\n", false,
       "/w/A.pas <- /bk/A.~pas;  <-  (backup missing); /w/B.pas <- /bk/B.~pas"},
      // The first line of an original names its backup; later ones add nothing.
      {"/w/A.pas=/bk/A.~pas\r\n/w/A.pas=/bk/Gone.~pas\r\n", true, "/w/A.pas <- /bk/A.~pas"},
      {"/w/A.pas=/bk/Gone.~pas\r\n/w/A.pas=/bk/A.~pas\r\n", false,
       "/w/A.pas <- /bk/Gone.~pas (backup missing)"},
      {"/w/A.pas=/bk/A.~pas\r\n/w/B.pas=/bk/B.~pas\r\n/w/A.pas=/bk/B.~pas\r\n", true,
       "/w/A.pas <- /bk/A.~pas; /w/B.pas <- /bk/B.~pas"},
      // "=" in a file or folder name: split where the backup is, else at the first.
      {"/w/x=y.pas=/bk/x=y.~pas\r\n", true, "/w/x=y.pas <- /bk/x=y.~pas"},
      {"/w/a=b/C.pas=/bk/a=b/C.~pas\r\n", true, "/w/a=b/C.pas <- /bk/a=b/C.~pas"},
      {"/w/A.pas=/bk/A.~pas\r\n/w/x=y.pas=/bk/gone/x=y.~pas\r\n", false,
       "/w/A.pas <- /bk/A.~pas; /w/x <- y.pas=/bk/gone/x=y.~pas (backup missing)"},
      // UTF-8 with a byte-order mark, and the ANSI code page.
      {"\xEF\xBB\xBF/w/\xC3\xA9t\xC3\xA9.pas=/bk/\xC3\xA9t\xC3\xA9.~pas\r\n/w/x=y.pas=/bk/x=y.~pas"
       "\r\n",
       true, "/w/\xC3\xA9t\xC3\xA9.pas <- /bk/\xC3\xA9t\xC3\xA9.~pas; /w/x=y.pas <- /bk/x=y.~pas"},
      {"\xEF\xBB\xBF/w/\xC3\xA9t\xC3\xA9.pas=/bk/gone.~pas\r\n", false,
       "/w/\xC3\xA9t\xC3\xA9.pas <- /bk/gone.~pas (backup missing)"},
      {"\xEF\xBB\xBF", false, ""},
      {"\xEF\xBB\xBF\r\n", false, " <-  (backup missing)"},
      {"/w/\xE9t\xE9.pas=/bk/\xE9t\xE9.~pas\r\n", true,
       "/w/\xC3\xA9t\xC3\xA9.pas <- /bk/\xC3\xA9t\xC3\xA9.~pas"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.Undo)));
    TMemoryFileSystem fs;
    AddTree(fs);
    fs.AddFile(kUndo, c.Undo);
    const std::vector<TUndoEntry> entries = ReadUndoEntries(fs, kUndo);
    EXPECT_EQ(Dump(entries), c.Entries);
    EXPECT_EQ(AllBackupsPresent(entries), c.Restores);
    const auto before = fs.FilesUnder(u"/");
    EXPECT_EQ(RestoreFromUndoFile(fs, kUndo), c.Restores);
    if (!c.Restores) {
      EXPECT_TRUE(fs.WrittenFiles().empty());
      EXPECT_TRUE(fs.FilesUnder(u"/") == before);
      continue;
    }
    // Every listed original holds its backup, and nothing else was written.
    std::vector<std::u16string> originals;
    for (const TUndoEntry& entry : entries) {
      EXPECT_EQ(fs.Contents(entry.Original), fs.Contents(entry.Backup));
      originals.push_back(entry.Original);
    }
    std::sort(originals.begin(), originals.end());
    EXPECT_EQ(fs.WrittenFiles(), originals);
  }
}

}  // namespace
}  // namespace zan::test
