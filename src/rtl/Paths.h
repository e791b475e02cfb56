// File-name helpers of the host runtime over engine paths (UTF-16 text).
//
// The separator is the native "/" (`PathDelim`); a backslash is an ordinary
// name character on Linux. Windows prefixes keep their meaning so that paths
// written on Windows behave as they did there:
//   - a drive: a letter and ":" at the start ("C:", "C:/Work"); the ":" ends
//     the drive part like a separator ("C:Unit1.pas" has the name "Unit1.pas");
//   - a share: "//server/share" at the start.
// On Linux the leading "/" of an absolute path plays the role of a drive root.
// Nothing here touches the disk except ExpandFileName's default base folder.
#pragma once

#include <string>
#include <string_view>

namespace zan {

inline constexpr char16_t PathDelim = u'/';
inline constexpr char16_t DriveDelim = u':';
inline constexpr char16_t ExtensionDelim = u'.';

/// "C:" of "C:/Work/a.pas", "//server/share" of "//server/share/a.pas", else empty.
std::u16string ExtractFileDrive(std::u16string_view fileName);
/// Everything up to and including the last separator (or the drive's ":").
std::u16string ExtractFilePath(std::u16string_view fileName);
/// ExtractFilePath without the trailing separator, except at a root ("/", "C:/").
std::u16string ExtractFileDir(std::u16string_view fileName);
/// Everything after the last separator (or the drive's ":").
std::u16string ExtractFileName(std::u16string_view fileName);
/// The extension with its dot (".pas"); empty when the name has no dot.
std::u16string ExtractFileExt(std::u16string_view fileName);
/// Replaces the extension (from the last dot of the name), or appends `extension`.
std::u16string ChangeFileExt(std::u16string_view fileName, std::u16string_view extension);

/// The kinds of file a migration handles, told by the extension alone in any
/// ASCII letter case (as the host compares names); the disk is not asked.
/// ".pas" or ".dpr": the source files a replace run converts (units and
/// project files alike).
bool IsSourceUnitFile(std::u16string_view fileName);
/// ".pas" only: a project's units, without the project file itself.
bool IsPascalUnitFile(std::u16string_view fileName);
/// ".dfm" or ".nfm": the form files that units name in resource directives.
bool IsFormFile(std::u16string_view fileName);

/// Appends "/" unless the text ends with one; an empty text gives "/" (as the
/// host gives its root).
std::u16string IncludeTrailingPathDelimiter(std::u16string_view path);
/// Removes one trailing "/" (a lone "/" becomes empty, as the host does).
std::u16string ExcludeTrailingPathDelimiter(std::u16string_view path);

/// True for "/...", a drive ("C:...") or a share ("//server/share...").
bool HasDrivePart(std::u16string_view path);
/// True for "/...", "X:/..." and "//server/share...": a path that does not
/// depend on the current folder.
bool IsAbsolutePath(std::u16string_view path);

/// The absolute form of `fileName`: a relative name is taken relative to
/// `baseFolder` (the current folder when empty); "." and ".." segments and
/// repeated separators are resolved; a trailing separator is kept. ".." never
/// climbs above the root, the drive or the share.
std::u16string ExpandFileName(std::u16string_view fileName, std::u16string_view baseFolder = {});

/// `destName` relative to the folder of `baseName` (ExtractFilePath of it), with
/// "../" to climb; `destName` itself when the two lie on different drives/roots.
std::u16string ExtractRelativePath(std::u16string_view baseName, std::u16string_view destName);

/// The process's current folder (native separator, no trailing one).
std::u16string GetCurrentFolder();

}  // namespace zan
