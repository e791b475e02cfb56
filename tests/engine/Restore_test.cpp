// The reader that `restore --dry-run` lists from and the restore run agree on
// every undo file: the reader finds every backup exactly when restore puts
// every original back; otherwise restore copies nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>

#include "ReplacerTestUtil.h"
#include "engine/files/FileUtils.h"
#include "engine/files/PublishManifest.h"
#include "engine/files/UndoFile.h"
#include "engine/files/UndoReader.h"
#include "engine/restore/RestoreRun.h"
#include "rtl/FileSystem.h"
#include "rtl/Strings.h"
#include "support/MemoryFileSystem.h"

namespace zan::test {
namespace {

constexpr char16_t kUndo[] = u"/bk/RExpert.reu";

/// Originals under /w ("new ..."), their backups under /bk ("old ..."), a
/// folder named like a backup, and the manifest of the run that wrote them.
void AddTree(TMemoryFileSystem& fs) {
  TPublishManifest manifest;
  manifest.SetRoot(u"/w");
  for (const std::string name : {"A", "B", "x=y", "a=b/C", "\xC3\xA9t\xC3\xA9"}) {
    const std::string published = "new " + name;
    fs.AddFile(Utf8ToUtf16("/w/" + name + ".pas"), published);
    fs.AddFile(Utf8ToUtf16("/bk/" + name + ".~pas"), "old " + name);
    manifest.Set(Utf8ToUtf16("/w/" + name + ".pas"), {published.size(), ContentHash(published)});
  }
  fs.AddFolder(u"/bk/Dir.~pas");
  fs.AddFile(u"/bk/RExpert.manifest", manifest.Encode());
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
    const std::vector<TUndoEntry> entries = ReadUndoEntries(fs, kUndo, 1252);
    EXPECT_EQ(Dump(entries), c.Entries);
    EXPECT_EQ(AllBackupsPresent(entries), c.Restores);
    const auto before = fs.FilesUnder(u"/");
    EXPECT_EQ(RestoreFromUndoFile(RestoreContext(fs), kUndo), c.Restores);
    if (!c.Restores) {
      EXPECT_TRUE(fs.WrittenFiles().empty());
      EXPECT_TRUE(fs.FilesUnder(u"/") == before);
      continue;
    }
    // Every listed original holds its backup, and nothing else was written
    // but the manifest (marking them restored).
    std::vector<std::u16string> originals{u"/bk/RExpert.manifest"};
    for (const TUndoEntry& entry : entries) {
      EXPECT_EQ(fs.Contents(entry.Original), fs.Contents(entry.Backup));
      originals.push_back(entry.Original);
    }
    std::sort(originals.begin(), originals.end());
    EXPECT_EQ(fs.WrittenFiles(), originals);
  }
}

// The split as it was first written: at each "=" the file names of both
// sides are built and compared. Quadratic on a line with many "=", but
// plainly right; the reader's single pass must agree with it.
void ReferenceSplit(std::u16string_view line,
                    const std::function<bool(std::u16string_view)>& exists,
                    std::u16string& original, std::u16string& backup) {
  const size_t first = line.find(u'=');
  if (first == std::u16string_view::npos) {
    original.assign(line);
    backup.clear();
    return;
  }
  for (size_t eq = first; eq != std::u16string_view::npos; eq = line.find(u'=', eq + 1))
    if (LooksLikeBackupOf(line.substr(0, eq), line.substr(eq + 1)) && exists(line.substr(eq + 1))) {
      original.assign(line.substr(0, eq));
      backup.assign(line.substr(eq + 1));
      return;
    }
  original.assign(line.substr(0, first));
  backup.assign(line.substr(first + 1));
}

TEST(UndoReaderTest, SplittingALineAgreesWithTheReferenceOnEveryShortLine) {
  // Every line of up to six characters that matter to the split (separators,
  // drive letters, extensions and backup marks), with backups that exist
  // when their length is even: both splits pick the same "=".
  constexpr std::u16string_view kAlphabet = u"=/a.~C:";
  auto exists = [](std::u16string_view path) { return path.size() % 2 == 0; };
  std::vector<std::u16string> lines{u""};
  size_t compared = 0;
  for (size_t length = 1; length <= 6; ++length) {
    std::vector<std::u16string> longer;
    for (const std::u16string& line : lines)
      for (char16_t ch : kAlphabet) longer.push_back(line + ch);
    lines = std::move(longer);
    for (const std::u16string& line : lines) {
      std::u16string original, backup, wantOriginal, wantBackup;
      SplitUndoLine(line, exists, original, backup);
      ReferenceSplit(line, exists, wantOriginal, wantBackup);
      ASSERT_EQ(original, wantOriginal) << S(line);
      ASSERT_EQ(backup, wantBackup) << S(line);
      ++compared;
    }
  }
  EXPECT_EQ(compared, 137256u);

  // Longer lines the sweep cannot reach: the split named by its backup.
  const struct {
    const char16_t* Line;
    const char16_t* Exists;  // the one backup that exists
    const char16_t* Original;
  } cases[] = {
      {u"/w/a=b=c.pas=/bk/a=b=c.~pas", u"/bk/a=b=c.~pas", u"/w/a=b=c.pas"},
      {u"/w/a=b=c.pas=/bk/a=b=c.~pas", u"/bk/other.~pas", u"/w/a"},
      {u"C:/w/x=A.=C:/bk/x=A.~", u"C:/bk/x=A.~", u"C:/w/x=A."},
      {u"C:x=y.pas=C:x=y.~pas", u"C:x=y.~pas", u"C:x=y.pas"},
      {u"/w/Unit.pas=/w/Unit.pas=/bk/Unit.~pas", u"/bk/Unit.~pas", u"/w/Unit.pas=/w/Unit.pas"},
  };
  for (const auto& c : cases) {
    std::u16string original, backup;
    SplitUndoLine(
        c.Line, [&c](std::u16string_view path) { return path == c.Exists; }, original, backup);
    EXPECT_EQ(original, c.Original) << S(c.Line);
    EXPECT_EQ(original + u"=" + backup, c.Line);
  }
}

TEST(UndoReaderTest, ALineOfManyEqualSignsIsSplitInOnePass) {
  // 400,000 "=" before the backup: comparing names at each of them from the
  // start of the line would take minutes.
  const std::u16string line = u"/w/" + std::u16string(400000, u'=') + u"A.pas=/bk/" +
                              std::u16string(400000, u'=') + u"A.~pas";
  int asked = 0;
  auto exists = [&asked](std::u16string_view) { return ++asked, true; };
  const auto start = std::chrono::steady_clock::now();
  std::u16string original, backup;
  SplitUndoLine(line, exists, original, backup);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(original, u"/w/" + std::u16string(400000, u'=') + u"A.pas");
  EXPECT_EQ(asked, 1);  // only the split whose names match is looked up
}

TEST(UndoReaderTest, RestoreReadsTheUndoFileInTheCodePageItIsGiven) {
  // The same bytes name other files in other code pages: E9 is "é" in 1252,
  // "й" in 1251 and "ι" in 1253. A restore in the code page the run wrote
  // the file in puts the original back; one in another finds no backup.
  const std::string undo = "/w/\xE9.pas=/bk/\xE9.~pas\r\n";
  const struct {
    int Written;
    const char16_t* Name;
  } pages[] = {{1252, u"\u00E9"}, {1251, u"\u0439"}, {1253, u"\u03B9"}};
  for (const auto& written : pages) {
    for (const auto& read : pages) {
      SCOPED_TRACE(std::to_string(written.Written) + " read as " + std::to_string(read.Written));
      TMemoryFileSystem fs;
      const std::u16string name = written.Name;
      fs.AddFile(u"/w/" + name + u".pas", "new");
      fs.AddFile(u"/bk/" + name + u".~pas", "old");
      fs.AddFile(kUndo, undo);
      TRunContext context = RestoreContext(fs);
      context.CodePage = read.Written;
      const std::vector<TUndoEntry> entries = ReadUndoEntries(fs, kUndo, read.Written);
      ASSERT_EQ(entries.size(), 1u);
      EXPECT_EQ(entries[0].Original, u"/w/" + std::u16string(read.Name) + u".pas");
      // (Forced: without a manifest, the edited original would be refused.)
      EXPECT_EQ(PerformRestoreRun(context, kUndo, true).Outcome.Ok,
                written.Written == read.Written);
      EXPECT_EQ(fs.Contents(u"/w/" + name + u".pas"),
                written.Written == read.Written ? "old" : "new");
    }
  }
}

// ----- hostile undo files and manifests

/// Reports the paths it is given as symbolic links (the in-memory tree has none).
class TLinkedPaths : public TFileSystemWrapper {
 public:
  TLinkedPaths(TFileSystem& target, std::vector<std::u16string> links)
      : TFileSystemWrapper(target), FLinks(std::move(links)) {}
  bool IsLink(std::u16string_view path) override {
    return std::find(FLinks.begin(), FLinks.end(), path) != FLinks.end() ||
           TFileSystemWrapper::IsLink(path);
  }

 private:
  std::vector<std::u16string> FLinks;
};

constexpr char kRunUndo[] =
    "/w/A.pas=/w/RBackup/A.~pas\r\n/w/B.pas=/w/RBackup/B.~pas\r\n"
    "/w/sub/C.pas=/w/RBackup/sub/C.~pas\r\n";

/// A manifest line for `path` holding `bytes` ("restored " in front when put back).
std::string Line(const std::string& path, const std::string& bytes, bool restored = false) {
  TPublishManifest manifest;
  manifest.Set(Utf8ToUtf16(path), {bytes.size(), ContentHash(bytes)});
  if (restored) manifest.MarkRestored(Utf8ToUtf16(path), {});
  const std::string text = manifest.Encode();
  return text.substr(text.find('\n') + 1);
}

TEST(RestorePlanTest, RefusesWhatItDidNotWrite) {
  struct TCase {
    const char* Name;
    std::string Undo;
    std::string Manifest;  // empty: none
    std::vector<std::u16string> Links;
    std::vector<std::pair<const char16_t*, const char*>> Files;  // changed since the run
    bool Force;
    /// Every file refused (forced: only those refused even then) with the
    /// reason; empty when restore puts every file back.
    std::string Refused;
  };
  const std::string victim = "/elsewhere/victim.pas=/w/RBackup/victim.~pas\r\n";
  const std::string plain = kRunUndo;
  const std::string head = "zanmig manifest 1\nroot /w\n";
  const std::string a = Line("/w/A.pas", "conv A"), b = Line("/w/B.pas", "conv B"),
                    c = Line("/w/sub/C.pas", "conv C");
  const std::string manifest = head + a + b + c;
  const std::string outside = "/elsewhere/victim.pas: original is outside the tree \"/w\"";
  const std::string noRecord =
      ": differs from its backup, and the manifest does not say what the migration wrote";
  const std::string throughLink = ": backup is reached through a symbolic link";
  const TCase cases[] = {
      {"what the run wrote", plain, manifest, {}, {}, false, ""},
      {"a restore cut short", plain, manifest, {}, {{u"/w/A.pas", "orig A"}}, false, ""},
      // Outside the tree: never, even forced, with any manifest or none.
      {"an original outside the tree", plain + victim, manifest, {}, {}, true, outside},
      {"... a manifest from before trees were recorded",
       victim + plain,
       "zanmig manifest 1\n" + a,
       {},
       {},
       true,
       outside},
      {"... no manifest", victim + plain, "", {}, {}, true, outside},
      {"... the tree's root itself",
       plain + "/w=/w/RBackup/w.~\r\n",
       manifest,
       {},
       {},
       true,
       "/w: original is outside the tree \"/w\""},
      {"... another tree's line in the backup folder",
       plain + "/s2/A.pas=/w/RBackup/A.~pas\r\n",
       manifest,
       {},
       {},
       true,
       "/s2/A.pas: original is outside the tree \"/w\""},
      {"a file the run published beside the tree",
       plain + "/lib/D.pas=/w/RBackup/D.~pas\r\n",
       manifest + Line("/lib/D.pas", "conv D"),
       {},
       {},
       false,
       ""},
      // Links below the backup folder or the tree, or the backup folder itself.
      {"a linked sub-folder of the backup folder",
       plain,
       manifest,
       {u"/w/RBackup/sub"},
       {},
       true,
       "/w/sub/C.pas" + throughLink},
      {"a linked backup folder",
       plain,
       manifest,
       {u"/w/RBackup"},
       {},
       true,
       "/w/A.pas" + throughLink + "; /w/B.pas" + throughLink + "; /w/sub/C.pas" + throughLink},
      {"a linked sub-folder of the tree",
       plain,
       manifest,
       {u"/w/sub"},
       {},
       true,
       "/w/sub/C.pas: original is reached through a symbolic link"},
      // Edited since: refused unless forced.
      {"edited since the migration",
       plain,
       manifest,
       {},
       {{u"/w/B.pas", "edited"}},
       false,
       "/w/B.pas: changed since the migration"},
      {"... forced", plain, manifest, {}, {{u"/w/B.pas", "edited"}}, true, ""},
      {"a missing manifest line", plain, head + a + c, {}, {}, false, "/w/B.pas" + noRecord},
      {"... forced", plain, head + a + c, {}, {}, true, ""},
      {"no manifest",
       plain,
       "",
       {},
       {},
       false,
       "/w/A.pas" + noRecord + "; /w/B.pas" + noRecord + "; /w/sub/C.pas" + noRecord},
      {"... forced", plain, "", {}, {}, true, ""},
      {"... files put back already",
       plain,
       "",
       {},
       {{u"/w/A.pas", "orig A"}, {u"/w/B.pas", "orig B"}, {u"/w/sub/C.pas", "orig C"}},
       false,
       ""},
      {"restored, then edited",
       plain,
       head + Line("/w/A.pas", "conv A", true) + b + c,
       {},
       {{u"/w/A.pas", "conv A"}},
       false,
       "/w/A.pas: changed since it was restored"},
      {"... forced",
       plain,
       head + Line("/w/A.pas", "conv A", true) + b + c,
       {},
       {{u"/w/A.pas", "conv A"}},
       true,
       ""},
      {"restored, and still so",
       plain,
       head + Line("/w/A.pas", "conv A", true) + b + c,
       {},
       {{u"/w/A.pas", "orig A"}},
       false,
       ""},
  };
  for (const TCase& t : cases) {
    SCOPED_TRACE(t.Name);
    TMemoryFileSystem memory;
    for (const auto& [path, name] : {std::pair{"A.pas", "A"}, {"B.pas", "B"}, {"sub/C.pas", "C"}}) {
      memory.AddFile(u"/w/" + Utf8ToUtf16(path), std::string("conv ") + name);
      memory.AddFile(u"/w/RBackup/" + MakeBackupName(Utf8ToUtf16(path)),
                     std::string("orig ") + name);
    }
    memory.AddFile(u"/elsewhere/victim.pas", "victim");
    memory.AddFile(u"/w/RBackup/victim.~pas", "hostile");
    memory.AddFile(u"/w/RBackup/w.~", "hostile");
    memory.AddFile(u"/s2/A.pas", "s2's A");
    memory.AddFile(u"/lib/D.pas", "conv D");
    memory.AddFile(u"/w/RBackup/D.~pas", "orig D");
    for (const auto& [path, bytes] : t.Files) memory.AddFile(path, bytes);
    memory.AddFile(u"/w/RBackup/RExpert.reu", t.Undo);
    if (!t.Manifest.empty()) memory.AddFile(u"/w/RBackup/RExpert.manifest", t.Manifest);
    TLinkedPaths fs(memory, t.Links);
    const std::u16string undo = u"/w/RBackup/RExpert.reu";
    const TRestorePlan plan = PlanRestore(RestoreContext(fs), undo, t.Force);
    std::string refused;
    for (const TRestoreItem& item : plan.Items) {
      const std::u16string& why = item.Problem.empty() && !t.Force ? item.Change : item.Problem;
      if (why.empty()) continue;
      if (!refused.empty()) refused += "; ";
      refused += Utf16ToUtf8(item.Entry.Original + u": " + why);
    }
    EXPECT_EQ(refused, t.Refused);
    const auto before = memory.FilesUnder(u"/");
    memory.ClearWritten();
    const TRestoreOutcome outcome = ExecuteRestore(RestoreContext(fs), undo, plan);
    EXPECT_EQ(outcome.Ok, t.Refused.empty());
    if (!outcome.Ok) {
      EXPECT_TRUE(memory.WrittenFiles().empty());
      EXPECT_TRUE(memory.FilesUnder(u"/") == before);
      continue;
    }
    for (const TRestoreItem& item : plan.Items)
      EXPECT_EQ(memory.Contents(item.Entry.Original), memory.Contents(item.Entry.Backup));
    // The manifest keeps every file, marked restored: a second restore
    // refuses what was edited since, and nothing else.
    if (!t.Manifest.empty()) {
      const TPublishManifest after = TPublishManifest::Load(memory, u"/w/RBackup/RExpert.manifest");
      EXPECT_EQ(after.Root(), t.Manifest.find("root /w") == std::string::npos ? u"" : u"/w");
      for (const TRestoreItem& item : plan.Items)
        EXPECT_TRUE(after.Find(item.Entry.Original) && after.Find(item.Entry.Original)->Restored);
    }
    memory.AddFile(u"/w/B.pas", "edited after the restore");
    const TRestorePlan second = PlanRestore(RestoreContext(fs), undo, false);
    EXPECT_EQ(second.ChangedFiles(), 1);
    EXPECT_FALSE(second.CanRestore());
  }
}

// ----- replace runs, then restores

class RestoreRunTest : public ReplacerTest {
 protected:
  /// A BDE run over `folder` and its sub-folders with backups in `backups`.
  bool Replace(const std::u16string& folder, const std::u16string& backups) {
    Options->Directory = folder;
    Options->BackupDir = backups;
    Options->IncludeSubDirs = true;
    MakeReplacer(0, &Fs);
    return Run();
  }
  /// The files under `folder` but the runs' own (backup folders "RBackup"
  /// and "shared", logs).
  std::map<std::u16string, std::string> Originals(const std::u16string& folder) const {
    auto files = Fs.FilesUnder(folder);
    std::erase_if(files, [](const auto& file) {
      return file.first.starts_with(u"RBackup/") || file.first.starts_with(u"shared/") ||
             file.first.ends_with(u"Wiz_Log.txt");
    });
    return files;
  }
};

TEST_F(RestoreRunTest, ABackupFolderServesOneTree) {
  struct TCase {
    const char* Name;
    const char16_t* Second;  // the tree of the second run into the same backup folder
    bool OldManifest;        // the first run's manifest does not name its tree
    const char* OtherTree;   // named in the refusal; null: the second run may use it
  };
  const TCase cases[] = {
      {"another tree", u"s2", false, "s1"},
      {"... recorded before manifests named their tree", u"s2", true, "s1"},
      {"a sub-tree of the first", u"s1/sub", false, "s1"},
      {"a tree above the first", u"", false, "s1"},
      {"the same tree again", u"s1", false, nullptr},
      {"... recorded before manifests named their tree", u"s1", true, nullptr},
  };
  int row = 0;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::u16string top = u"/r" + Utf8ToUtf16(std::to_string(++row));
    const std::u16string s1 = top + u"/s1", shared = top + u"/shared";
    const std::u16string second = *c.Second ? top + u"/" + c.Second : top;
    Fs.AddFile(s1 + u"/DataModule.pas", "var T: TTable;");
    Fs.AddFile(s1 + u"/sub/Sub.pas", "var Q: TQuery;");
    Fs.AddFile(top + u"/s2/DataModule.pas", "var T: TTable; // s2");
    const auto before = Originals(top);
    ASSERT_TRUE(Replace(s1, shared));
    const std::u16string manifest = shared + u"/RExpert.manifest";
    if (c.OldManifest) {
      std::string text = Fs.Contents(manifest);
      text.erase(text.find("root "), text.find('\n', text.find("root ")) + 1 - text.find("root "));
      Fs.AddFile(manifest, text);
    }
    const auto backups = Fs.FilesUnder(shared);
    const auto converted = Originals(top);
    if (c.OtherTree) {
      try {
        Replace(second, shared);
        ADD_FAILURE() << "no refusal";
      } catch (const EFileError& e) {
        EXPECT_EQ(e.what(), "Backup folder \"" + S(shared) + "\" holds the backups of \"" + S(top) +
                                "/" + c.OtherTree + "\", not of \"" + S(second) +
                                "\" that this run works on; nothing was changed. Give each tree "
                                "a backup folder of its own.");
      }
      EXPECT_TRUE(Fs.FilesUnder(shared) == backups);
      EXPECT_TRUE(Originals(top) == converted);
      EXPECT_FALSE(Fs.Exists(second + u"/Wiz_Log.txt"));
    } else {
      EXPECT_TRUE(Replace(second, shared));
    }
    // The backup folder gives back the first tree, and touches no other.
    EXPECT_TRUE(RestoreFromUndoFile(RestoreContext(Fs), shared + u"/RExpert.reu"));
    EXPECT_TRUE(Originals(top) == before);
  }
}

TEST_F(RestoreRunTest, ASecondRestoreRefusesFilesEditedSince) {
  for (bool manifestDeleted : {false, true}) {
    SCOPED_TRACE(manifestDeleted ? "manifest deleted" : "manifest kept");
    const std::u16string tree = manifestDeleted ? u"/deleted" : u"/kept";
    const std::u16string undo = tree + u"/RBackup/RExpert.reu";
    Fs.AddFile(tree + u"/MainForm.pas", "var Q: TQuery;");
    Fs.AddFile(tree + u"/Data.pas", "var T: TTable;");
    ASSERT_TRUE(Replace(tree, tree + u"/RBackup"));
    ASSERT_TRUE(RestoreFromUndoFile(RestoreContext(Fs), undo));
    EXPECT_EQ(File(tree + u"/MainForm.pas"), "var Q: TQuery;");
    // Again, with nothing edited: nothing to do.
    EXPECT_TRUE(RestoreFromUndoFile(RestoreContext(Fs), undo));
    Fs.AddFile(tree + u"/MainForm.pas", "var Q: TQuery; // edited");
    if (manifestDeleted) {
      ASSERT_TRUE(Fs.RemoveFile(tree + u"/RBackup/RExpert.manifest"));
    }
    EXPECT_FALSE(RestoreFromUndoFile(RestoreContext(Fs), undo));
    EXPECT_EQ(File(tree + u"/MainForm.pas"), "var Q: TQuery; // edited");
    EXPECT_TRUE(
        ExecuteRestore(RestoreContext(Fs), undo, PlanRestore(RestoreContext(Fs), undo, true)).Ok);
    EXPECT_EQ(File(tree + u"/MainForm.pas"), "var Q: TQuery;");
  }
}

}  // namespace
}  // namespace zan::test
