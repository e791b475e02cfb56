#include "engine/catalogue/ClassNameTable.h"

#include <algorithm>

#include "rtl/Strings.h"

namespace zan {

char16_t TClassNameTable::Fold(char16_t ch) {
  if (ch < 0x80) return ch >= u'a' && ch <= u'z' ? static_cast<char16_t>(ch - 32) : ch;
  return AnsiUpperChar(ch);
}

uint64_t TClassNameTable::HashOf(std::u16string_view name) {
  uint64_t hash = 1469598103934665603ull;  // FNV-1a
  for (char16_t ch : name) {
    hash ^= Fold(ch);
    hash *= 1099511628211ull;
  }
  return hash;
}

size_t TClassNameTable::SlotOf(std::u16string_view name, uint64_t hash) const {
  const size_t mask = FSlots.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const TSlot& slot = FSlots[i];
    if (slot.Value < 0) return i;
    if (slot.Hash != hash || slot.Folded.size() != name.size()) continue;
    bool same = true;
    for (size_t k = 0; k < name.size() && same; ++k) same = Fold(name[k]) == slot.Folded[k];
    if (same) return i;
  }
}

void TClassNameTable::Grow() {
  std::vector<TSlot> old = std::move(FSlots);
  FSlots.assign(old.empty() ? 64 : old.size() * 2, TSlot());
  const size_t mask = FSlots.size() - 1;
  for (TSlot& slot : old) {
    if (slot.Value < 0) continue;
    size_t i = slot.Hash & mask;
    while (FSlots[i].Value >= 0) i = (i + 1) & mask;
    FSlots[i] = std::move(slot);
  }
}

bool TClassNameTable::Add(std::u16string_view name, int value) {
  if ((FCount + 1) * 4 > FSlots.size()) Grow();
  const uint64_t hash = HashOf(name);
  TSlot& slot = FSlots[SlotOf(name, hash)];
  if (slot.Value >= 0) return false;
  slot.Hash = hash;
  slot.Value = value;
  slot.Folded.resize(name.size());
  for (size_t k = 0; k < name.size(); ++k) slot.Folded[k] = Fold(name[k]);
  ++FCount;
  FMinLength = std::min(FMinLength, name.size());
  FMaxLength = std::max(FMaxLength, name.size());
  return true;
}

int TClassNameTable::Find(std::u16string_view name) const {
  if (name.size() < FMinLength || name.size() > FMaxLength) return -1;
  return FSlots[SlotOf(name, HashOf(name))].Value;
}

void TClassNameTable::Clear() {
  FSlots.clear();
  FCount = 0;
  FMinLength = SIZE_MAX;
  FMaxLength = 0;
}

}  // namespace zan
