// TStringList: the host runtime's ordered string list, with exactly the
// behaviours the engine relies on.
//
// - Sorted mode keeps the items ordered (AnsiCompareText, or CompareStr when
//   CaseSensitive) and Add inserts in place; Duplicates decides what happens
//   to an item that is already there (ignored by default, as the engine uses it).
// - "name=value" lines: Names/Values/IndexOfName look names up ignoring case
//   (unless CaseSensitive).
// - Each item may carry an object: owned (AddObject with a unique_ptr, freed
//   with the item) or borrowed (a plain pointer the caller keeps alive).
// - Text splits at CRLF, CR or LF and joins with CRLF after every item.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zan {

/// Base of everything a string list item can carry.
class TObject {
 public:
  virtual ~TObject() = default;
};

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList {
 public:
  TStringList() = default;
  TStringList(const TStringList& other);  // copies strings and borrowed object pointers
  TStringList& operator=(const TStringList& other);
  TStringList(TStringList&&) noexcept = default;
  TStringList& operator=(TStringList&&) noexcept = default;

  int Count() const { return static_cast<int>(FItems.size()); }
  bool Empty() const { return FItems.empty(); }
  const std::u16string& operator[](int index) const;
  const std::u16string& Strings(int index) const { return (*this)[index]; }
  void SetString(int index, std::u16string value);
  TObject* Objects(int index) const;
  void SetObject(int index, TObject* object);  // borrowed

  /// Returns the index of the new (or, ignored as duplicate, the existing) item.
  int Add(std::u16string_view text);
  int AddObject(std::u16string_view text, TObject* object);
  int AddObject(std::u16string_view text, std::unique_ptr<TObject> object);
  void Insert(int index, std::u16string_view text);  // not allowed in sorted mode
  void Delete(int index);
  void Clear();
  void Exchange(int a, int b);
  void Assign(const TStringList& other);
  void AddStrings(const TStringList& other);

  int IndexOf(std::u16string_view text) const;
  /// Binary search in sorted mode; `index` is the hit or the insertion point.
  bool Find(std::u16string_view text, int& index) const;
  void Sort();

  /// name=value lines.
  int IndexOfName(std::u16string_view name) const;
  std::u16string Names(int index) const;
  std::u16string ValueFromIndex(int index) const;
  std::u16string Values(std::u16string_view name) const;
  /// Sets the value of `name`; an empty value removes the line, as the host does.
  void SetValue(std::u16string_view name, std::u16string_view value);

  /// Items joined, each followed by CRLF.
  std::u16string Text() const;
  /// Replaces the items by the lines of `text` (CRLF, CR or LF; a final line
  /// break adds no empty item).
  void SetText(std::u16string_view text);

  bool Sorted() const { return FSorted; }
  void SetSorted(bool sorted);
  bool CaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool caseSensitive);
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates duplicates) { FDuplicates = duplicates; }
  char16_t NameValueSeparator() const { return FNameValueSeparator; }
  void SetNameValueSeparator(char16_t separator) { FNameValueSeparator = separator; }

  std::vector<std::u16string>::size_type size() const { return FItems.size(); }

 private:
  struct TItem {
    std::u16string FString;
    TObject* FObject = nullptr;
    std::shared_ptr<TObject> FOwned;  // set when the list owns FObject
  };
  int Compare(std::u16string_view a, std::u16string_view b) const;
  int InsertItem(int index, TItem item);
  int AddItem(TItem item);

  std::vector<TItem> FItems;
  bool FSorted = false;
  bool FCaseSensitive = false;
  TDuplicates FDuplicates = TDuplicates::dupIgnore;
  char16_t FNameValueSeparator = u'=';
};

}  // namespace zan
