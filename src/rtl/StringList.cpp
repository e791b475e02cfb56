#include "rtl/StringList.h"

#include <algorithm>

#include "rtl/Strings.h"
#include "rtl/SysUtils.h"

namespace zan {

namespace {
void CheckIndex(int index, int count) {
  if (index < 0 || index >= count)
    throw Exception("List index out of bounds (" + std::to_string(index) + ")");
}
}  // namespace

TStringList::TStringList(const TStringList& other) {
  *this = other;
}

TStringList& TStringList::operator=(const TStringList& other) {
  if (this == &other) return *this;
  FSorted = other.FSorted;
  FCaseSensitive = other.FCaseSensitive;
  FDuplicates = other.FDuplicates;
  FNameValueSeparator = other.FNameValueSeparator;
  FItems.clear();
  FItems.reserve(other.FItems.size());
  for (const auto& item : other.FItems) FItems.push_back({item.FString, item.FObject, item.FOwned});
  return *this;
}

const std::u16string& TStringList::operator[](int index) const {
  CheckIndex(index, Count());
  return FItems[index].FString;
}

void TStringList::SetString(int index, std::u16string value) {
  CheckIndex(index, Count());
  Assert(!FSorted, "MigWizard\\StringList");
  FItems[index].FString = std::move(value);
}

TObject* TStringList::Objects(int index) const {
  CheckIndex(index, Count());
  return FItems[index].FObject;
}

void TStringList::SetObject(int index, TObject* object) {
  CheckIndex(index, Count());
  FItems[index].FObject = object;
  FItems[index].FOwned.reset();
}

int TStringList::Compare(std::u16string_view a, std::u16string_view b) const {
  return FCaseSensitive ? CompareStr(a, b) : AnsiCompareText(a, b);
}

int TStringList::InsertItem(int index, TItem item) {
  FItems.insert(FItems.begin() + index, std::move(item));
  return index;
}

int TStringList::AddItem(TItem item) {
  if (!FSorted) return InsertItem(Count(), std::move(item));
  int index;
  if (Find(item.FString, index)) {
    switch (FDuplicates) {
      case TDuplicates::dupIgnore:
        return index;
      case TDuplicates::dupError:
        throw Exception("String list does not allow duplicates");
      case TDuplicates::dupAccept:
        break;
    }
  }
  return InsertItem(index, std::move(item));
}

int TStringList::Add(std::u16string_view text) {
  return AddItem({std::u16string(text), nullptr, {}});
}

int TStringList::AddObject(std::u16string_view text, TObject* object) {
  return AddItem({std::u16string(text), object, {}});
}

int TStringList::AddObject(std::u16string_view text, std::unique_ptr<TObject> object) {
  TObject* raw = object.get();
  return AddItem({std::u16string(text), raw, std::shared_ptr<TObject>(std::move(object))});
}

void TStringList::Insert(int index, std::u16string_view text) {
  Assert(!FSorted, "MigWizard\\StringList");
  if (index < 0 || index > Count()) CheckIndex(index, Count());
  InsertItem(index, {std::u16string(text), nullptr, {}});
}

void TStringList::Delete(int index) {
  CheckIndex(index, Count());
  FItems.erase(FItems.begin() + index);
}

void TStringList::Clear() {
  FItems.clear();
}

void TStringList::Exchange(int a, int b) {
  CheckIndex(a, Count());
  CheckIndex(b, Count());
  std::swap(FItems[a], FItems[b]);
}

void TStringList::Assign(const TStringList& other) {
  if (this == &other) return;
  Clear();
  AddStrings(other);
}

void TStringList::AddStrings(const TStringList& other) {
  for (const auto& item : other.FItems) AddItem({item.FString, item.FObject, item.FOwned});
}

int TStringList::IndexOf(std::u16string_view text) const {
  if (FSorted) {
    int index;
    return Find(text, index) ? index : -1;
  }
  for (int i = 0; i < Count(); ++i)
    if (Compare(FItems[i].FString, text) == 0) return i;
  return -1;
}

bool TStringList::Find(std::u16string_view text, int& index) const {
  // Lower bound; with duplicates accepted the first equal item is found.
  int lo = 0, hi = Count() - 1;
  bool found = false;
  while (lo <= hi) {
    const int mid = lo + (hi - lo) / 2;
    const int c = Compare(FItems[mid].FString, text);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) found = true;
    }
  }
  index = lo;
  return found;
}

void TStringList::Sort() {
  std::stable_sort(FItems.begin(), FItems.end(), [this](const TItem& a, const TItem& b) {
    return Compare(a.FString, b.FString) < 0;
  });
}

void TStringList::SetSorted(bool sorted) {
  if (sorted && !FSorted) Sort();
  FSorted = sorted;
}

void TStringList::SetCaseSensitive(bool caseSensitive) {
  if (caseSensitive == FCaseSensitive) return;
  FCaseSensitive = caseSensitive;
  if (FSorted) Sort();
}

int TStringList::IndexOfName(std::u16string_view name) const {
  for (int i = 0; i < Count(); ++i) {
    const auto& s = FItems[i].FString;
    const size_t sep = s.find(FNameValueSeparator);
    if (sep == std::u16string::npos) continue;
    const std::u16string_view itemName(s.data(), sep);
    if (FCaseSensitive ? itemName == name : AnsiSameText(itemName, name)) return i;
  }
  return -1;
}

std::u16string TStringList::Names(int index) const {
  const auto& s = (*this)[index];
  const size_t sep = s.find(FNameValueSeparator);
  return sep == std::u16string::npos ? std::u16string() : s.substr(0, sep);
}

std::u16string TStringList::ValueFromIndex(int index) const {
  const auto& s = (*this)[index];
  const size_t sep = s.find(FNameValueSeparator);
  return sep == std::u16string::npos ? std::u16string() : s.substr(sep + 1);
}

std::u16string TStringList::Values(std::u16string_view name) const {
  const int i = IndexOfName(name);
  return i < 0 ? std::u16string() : ValueFromIndex(i);
}

void TStringList::SetValue(std::u16string_view name, std::u16string_view value) {
  const int i = IndexOfName(name);
  if (value.empty()) {
    if (i >= 0) Delete(i);
    return;
  }
  std::u16string line(name);
  line += FNameValueSeparator;
  line += value;
  if (i < 0) {
    Add(line);
  } else if (FSorted) {
    Delete(i);
    Add(line);
  } else {
    FItems[i].FString = std::move(line);
  }
}

std::u16string TStringList::Text() const {
  size_t total = 0;
  for (const auto& item : FItems) total += item.FString.size() + 2;
  std::u16string out;
  out.reserve(total);
  for (const auto& item : FItems) {
    out += item.FString;
    out += u"\r\n";
  }
  return out;
}

void TStringList::SetText(std::u16string_view text) {
  Clear();
  size_t start = 0;
  const size_t n = text.size();
  while (start < n) {
    size_t end = start;
    while (end < n && text[end] != u'\r' && text[end] != u'\n') ++end;
    Add(text.substr(start, end - start));
    if (end < n) end += (text[end] == u'\r' && end + 1 < n && text[end + 1] == u'\n') ? 2 : 1;
    start = end;
  }
}

}  // namespace zan
