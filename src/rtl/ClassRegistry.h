// The class registry: what the host's run-time type information would tell
// about the target library's component classes.
//
// The form conversion looks a target class up by name and asks whether it
// publishes a property, so that a converted object never carries a property
// its class cannot hold. The registry of the process starts with the whole
// target library (the six classes the catalogue registers and every other
// target class, as in an IDE where the library is installed); a user can add
// classes or properties from a text file (`--classes FILE`):
//
//   # comment (also "//" and ";")
//   TZanQuery: SmartFetch, FetchRows
//   TMyZanQuery: Connection, SQL, OnMyEvent
//
// A class line names the class, a colon and its published property names
// separated by commas (none is allowed: the class is then known without
// properties). Lines for a known class add to its properties. Class and
// property names compare without regard to ASCII letter case, as the host's
// class and property lookups do.
#pragma once

#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "rtl/SysUtils.h"

namespace zan {

class TFileSystem;

/// A class file line that is not "ClassName: Property, ...". The message names
/// the file and the line.
class EClassFileError : public Exception {
 public:
  using Exception::Exception;
};

/// One known class: its published properties (what the designer stores and
/// the property filter keeps) and the names it streams through its own filer
/// hooks without publishing them (ParamData, MacroData): such a class can hold
/// them, but the property filter does not keep them.
class TRegisteredClass {
 public:
  explicit TRegisteredClass(std::u16string_view name) : FClassName(name) {}

  const std::u16string& ClassName() const { return FClassName; }
  /// True if the class publishes a property of exactly this (undotted) name.
  bool HasPublishedProperty(std::u16string_view name) const;
  /// Published, or streamed by the class itself.
  bool CanHoldProperty(std::u16string_view name) const;
  /// Published property names in the order they were added.
  const std::vector<std::u16string>& PublishedProperties() const { return FPublished; }

  void AddPublished(std::u16string_view name);
  void AddDefined(std::u16string_view name);
  /// Adds the published and streamed properties of `other`.
  void AddPropertiesOf(const TRegisteredClass& other);

 private:
  std::u16string FClassName;
  std::vector<std::u16string> FPublished;
  std::unordered_set<std::u16string> FPublishedKeys;  // lower-cased
  std::unordered_set<std::u16string> FDefinedKeys;    // lower-cased
};

/// A table of classes by name. Owns its entries.
class TClassRegistry {
 public:
  TClassRegistry() = default;
  TClassRegistry(const TClassRegistry&) = delete;
  TClassRegistry& operator=(const TClassRegistry&) = delete;

  /// The registry of the process: the target library, read-only. Whoever
  /// starts a run makes the run's own registry from it (AddClassesOf), adds
  /// the user's classes there and hands that to the run.
  static const TClassRegistry& Global();

  /// Adds every class of the target library with its properties.
  void RegisterTargetLibrary();
  /// Adds a copy of every class of `other` (a run's own registry starts as
  /// the process's and takes the classes of its rule files).
  void AddClassesOf(const TClassRegistry& other);

  /// The class of that name, or nullptr when it is not registered.
  const TRegisteredClass* FindClass(std::u16string_view name) const;
  /// Registers a class (or returns the one registered under that name).
  TRegisteredClass& RegisterClass(std::u16string_view name);
  /// Registers a class and adds published properties to it.
  TRegisteredClass& RegisterClass(std::u16string_view name,
                                  std::initializer_list<std::u16string_view> properties);
  /// Class names in registration order.
  std::vector<std::u16string> ClassNames() const;

  /// Reads class lines (format above); `sourceName` names the text in errors.
  void LoadFromText(std::u16string_view text, std::u16string_view sourceName);
  /// Reads a class file (UTF-8, with or without a byte-order mark) through
  /// `fs`. Throws EFileError or EClassFileError.
  void LoadFromFile(TFileSystem& fs, std::u16string_view fileName);

 private:
  std::vector<std::unique_ptr<TRegisteredClass>> FClasses;
  // The classes by their name in upper case (SameText's folding).
  std::unordered_map<std::u16string, TRegisteredClass*> FIndex;
};

}  // namespace zan
