#include "engine/phases/ProjectClosure.h"

#include <algorithm>
#include <deque>
#include <unordered_map>
#include <unordered_set>

#include "engine/files/FileUtils.h"
#include "engine/files/TextFile.h"
#include "engine/phases/RunScope.h"
#include "engine/report/RExpertRes.h"
#include "ide/FileCase.h"
#include "ide/ProjectFile.h"
#include "parsing/PasParser.h"
#include "rtl/Paths.h"
#include "rtl/Strings.h"

namespace zan {

namespace {

/// The name index key of a file name: letter case ignored.
std::u16string Key(std::u16string_view fileName) {
  return AnsiUpperCase(fileName);
}

/// Reads one `uses` clause (after its keyword) up to its ";". A name that
/// follows a whole name without a comma starts an entry too: the branches
/// of a conditional (`{$IFDEF W} Windows {$ELSE} Posix.Unistd {$ENDIF}`).
void ReadClause(TPasParser& lexer, std::vector<TUsesEntry>& entries) {
  TUsesEntry entry;
  bool afterIn = false;
  bool afterDot = false;
  auto finish = [&] {
    if (!entry.Name.empty()) entries.push_back(std::move(entry));
    entry = {};
    afterIn = false;
    afterDot = false;
  };
  while (true) {
    const TLexeme& lexeme = lexer.Next();
    switch (lexeme.Code) {
      case lexEnd:
        finish();
        return;
      case symSemicolon:
        finish();
        return;
      case symComma:
        finish();
        break;
      case symDot:
        if (!entry.Name.empty() && !afterIn) {
          entry.Name += u'.';
          afterDot = true;
        }
        break;
      case lexIdent:
        if (afterDot || entry.Name.empty()) {
          entry.Name += lexeme.Text;
          afterDot = false;
        } else if (!afterIn && SameText(lexeme.Text, u"in")) {
          afterIn = true;
        } else {
          finish();
          entry.Name = lexeme.Text;
        }
        break;
      case lexString:
        if (afterIn && entry.InPath.empty()) {
          // Without its quotes the literal keeps its doubled quotes.
          std::u16string path(lexeme.Text);
          for (size_t pos = 0; (pos = path.find(u"''", pos)) != std::u16string::npos; ++pos)
            path.erase(pos, 1);
          entry.InPath = std::move(path);
        }
        break;
      default:
        break;
    }
  }
}

}  // namespace

std::vector<TUsesEntry> ReadUsesEntries(std::u16string_view text) {
  std::vector<TUsesEntry> entries;
  TPasParser lexer;
  lexer.SetTextRef(text);
  lexer.SetSkipBlanks(true);
  lexer.SetSkipComments(true);  // directives too: every branch counts
  lexer.SetKeepQuotes(false);
  lexer.SetUpperCase(false);
  enum class TKind { Unknown, Unit, Program } kind = TKind::Unknown;
  const TLexeme* lexeme = &lexer.Next();
  if (lexeme->Code == lexIdent) {
    if (SameText(lexeme->Text, u"unit"))
      kind = TKind::Unit;
    else if (SameText(lexeme->Text, u"program") || SameText(lexeme->Text, u"library"))
      kind = TKind::Program;
    else if (SameText(lexeme->Text, u"package"))
      return entries;  // its `contains` clause is no `uses`
  }
  if (kind == TKind::Program) {
    // Its one clause follows the heading, or there is none.
    while (lexeme->Code != lexEnd && lexeme->Code != symSemicolon) lexeme = &lexer.Next();
    if (lexer.Next().Code == kwUses) ReadClause(lexer, entries);
    return entries;
  }
  bool implementation = false;
  for (; lexeme->Code != lexEnd; lexeme = &lexer.Next()) {
    if (lexeme->Code == kwUses) {
      ReadClause(lexer, entries);
      if (implementation) break;
    } else if (lexeme->Code == lexIdent && SameText(lexeme->Text, u"implementation")) {
      implementation = true;
      if (lexer.Next().Code == kwUses) ReadClause(lexer, entries);
      break;
    }
  }
  return entries;
}

std::u16string ReachedFrom(std::u16string_view fileName) {
  return u"reached from " + std::u16string(fileName);
}

class TProjectClosure::TBuilder {
 public:
  TBuilder(TFileSystem& fs, const TProjectFile& project, const TClosureOptions& options,
           TProjectClosure& out)
      : FFs(fs),
        FOptions(options),
        FOut(out),
        FProjectName(project.FileName),
        FRoot(ExtractFileDir(project.FileName)) {
    for (const std::u16string& module : project.Modules)
      if (IsPascalUnitFile(module))
        FModules.emplace(Key(ChangeFileExt(ExtractFileName(module), u"")), module);
    if (!options.FollowUses) return;
    for (const std::u16string& entry : project.SearchPath) {
      const std::u16string folder = FindFileIgnoringCase(fs, MakeNativePath(FRoot, entry));
      if (!folder.empty() && fs.IsFolder(folder)) FSearchFolders.push_back(folder);
    }
    for (const std::u16string& entry : project.UnexpandedSearchPath)
      FOut.FWarnings.push_back(res::Fmt(res::sSearchPathMacro, {entry, FProjectName}));
  }

  /// Takes `path` for `reason` unless taken already.
  void Take(const std::u16string& path, std::u16string reason) {
    if (FTaken.contains(path)) return;
    // The temporary and backup folders of a project run are flat.
    const auto [named, added] = FTakenNames.emplace(Key(ExtractFileName(path)), path);
    if (!added) throw Exception(res::Fmt(res::sSameBareName, {named->second, path}));
    FTaken.insert(path);
    FOut.FUnits.push_back({path, std::move(reason)});
  }

  /// Follows the `uses` clauses of every unit taken, breadth first.
  void Follow() {
    if (!FOptions.FollowUses) return;
    for (size_t next = 0; next < FOut.FUnits.size(); ++next) {
      const std::u16string path = FOut.FUnits[next].Path;
      for (const TUsesEntry& entry : UsesOf(path))
        if (const std::u16string found = Resolve(entry, path); !found.empty())
          Take(found, ReachedFrom(ExtractFileName(path)));
    }
  }

 private:
  /// The entries of `path`'s clauses; none when it cannot be read (its
  /// conversion reports that) or is a file the run leaves.
  std::vector<TUsesEntry> UsesOf(const std::u16string& path) {
    if (!WhyFileIsLeft(FFs, path).empty()) return {};
    std::string bytes;
    if (!FFs.Read(path, bytes)) return {};
    try {
      TTextEncoding encoding;
      return ReadUsesEntries(ReadTextFile(bytes, encoding, path, FOptions.CodePage));
    } catch (const Exception&) {
      return {};
    }
  }

  std::u16string Resolve(const TUsesEntry& entry, const std::u16string& namingFile) {
    if (!entry.InPath.empty()) {
      const std::u16string path =
          FindFileIgnoringCase(FFs, MakeNativePath(ExtractFileDir(namingFile), entry.InPath));
      // Only a unit source is compiled as a unit.
      return !path.empty() && IsPascalUnitFile(path) && FFs.IsFile(path) ? path : std::u16string();
    }
    if (auto module = FModules.find(Key(entry.Name)); module != FModules.end())
      return FFs.IsFile(module->second) ? module->second : std::u16string();
    const std::u16string fileName = entry.Name + u".pas";
    if (std::u16string path = FindInFolder(FRoot, fileName); !path.empty()) return path;
    for (const std::u16string& folder : FSearchFolders)
      if (std::u16string path = FindInFolder(folder, fileName); !path.empty()) return path;
    return FindInTree(fileName, ExtractFileDir(namingFile));
  }

  /// The file `fileName` directly in `folder`, the name as written first,
  /// else the first in listing order. Each folder is listed once.
  std::u16string FindInFolder(const std::u16string& folder, const std::u16string& fileName) {
    auto [names, added] = FFolderNames.try_emplace(folder);
    if (added) {
      std::vector<TFolderEntry> entries;
      if (FFs.List(folder, entries))
        for (const TFolderEntry& entry : entries)
          if (!entry.IsFolder && IsPascalUnitFile(entry.Name))
            names->second[Key(entry.Name)].push_back(entry.Name);
    }
    const auto found = names->second.find(Key(fileName));
    if (found == names->second.end()) return {};
    const std::vector<std::u16string>& matches = found->second;
    const bool exact = std::find(matches.begin(), matches.end(), fileName) != matches.end();
    return JoinPath(folder, exact ? fileName : matches.front());
  }

  /// `fileName` anywhere below the project folder: beside the unit that
  /// names it, else the first in path order.
  std::u16string FindInTree(const std::u16string& fileName, const std::u16string& namingFolder) {
    if (!FIndexBuilt) {
      FIndexBuilt = true;
      IndexFolder(FRoot);
      for (auto& [name, paths] : FIndex) std::sort(paths.begin(), paths.end());
    }
    const auto found = FIndex.find(Key(fileName));
    if (found == FIndex.end()) return {};
    const std::vector<std::u16string>& paths = found->second;
    for (const std::u16string& path : paths)
      if (ExtractFileDir(path) == namingFolder) return path;
    if (paths.size() > 1 && FAmbiguous.insert(found->first).second) {
      std::u16string others;
      for (size_t i = 1; i < paths.size(); ++i)
        others += (i > 1 ? u", \"" : u"\"") + paths[i] + u"\"";
      FOut.FWarnings.push_back(
          res::Fmt(res::sUnitInSeveralFolders, {ChangeFileExt(fileName, u""), paths[0], others}));
    }
    return paths[0];
  }

  void IndexFolder(const std::u16string& folder) {
    std::vector<TFolderEntry> entries;
    if (!FFs.List(folder, entries)) return;
    for (const TFolderEntry& entry : entries) {
      const std::u16string path = JoinPath(folder, entry.Name);
      if (!entry.IsFolder) {
        if (IsPascalUnitFile(entry.Name)) FIndex[Key(entry.Name)].push_back(path);
        continue;
      }
      // Never through a link (it may lead back up), never into hidden
      // folders (version control) or the run's backup folder.
      if (entry.IsLink || entry.Name.starts_with(u'.')) continue;
      if (std::any_of(FOptions.SkipFolders.begin(), FOptions.SkipFolders.end(),
                      [&](const std::u16string& skip) {
                        return ExcludeTrailingPathDelimiter(skip) == path;
                      }))
        continue;
      IndexFolder(path);
    }
  }

  TFileSystem& FFs;
  const TClosureOptions& FOptions;
  TProjectClosure& FOut;
  std::u16string FProjectName;
  std::u16string FRoot;
  std::unordered_map<std::u16string, std::u16string> FModules;  // unit name -> path
  std::vector<std::u16string> FSearchFolders;
  /// Per folder: the unit files by name key, in listing order.
  std::unordered_map<std::u16string,
                     std::unordered_map<std::u16string, std::vector<std::u16string>>>
      FFolderNames;
  bool FIndexBuilt = false;
  std::unordered_map<std::u16string, std::vector<std::u16string>> FIndex;  // file name -> paths
  std::unordered_set<std::u16string> FAmbiguous;
  std::unordered_set<std::u16string> FTaken;
  std::unordered_map<std::u16string, std::u16string> FTakenNames;  // file name -> path
};

TProjectClosure TProjectClosure::Build(TFileSystem& fs, const TProjectFile& project,
                                       const std::vector<std::u16string>& listed,
                                       const TClosureOptions& options) {
  TProjectClosure closure;
  TBuilder builder(fs, project, options, closure);
  for (const std::u16string& path : listed) builder.Take(path, std::u16string(sReasonListed));
  if (options.FollowUses && options.WithProgram && !project.MainSource.empty() &&
      fs.IsFile(project.MainSource))
    builder.Take(project.MainSource, std::u16string(sReasonProgram));
  builder.Follow();
  return closure;
}

}  // namespace zan
