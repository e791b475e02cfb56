// TClassNameTable: the replace pairs' look-up on the hot path of the
// rewriting, which asks about every identifier of every unit.
//
// Names compare without regard to letter case (every letter, as the host's
// upper-casing folds it). A look-up folds and hashes the name in place, with
// no allocation; the first entry for a name wins, as in the pairs' sorted list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zan {

class TClassNameTable {
 public:
  /// Adds `name` with `value` unless the name is there already (any case);
  /// returns whether it was added.
  bool Add(std::u16string_view name, int value);
  /// The value of `name`, or -1.
  int Find(std::u16string_view name) const;
  void Clear();

 private:
  struct TSlot {
    uint64_t Hash = 0;
    int Value = -1;  // -1: empty
    std::u16string Folded;
  };
  static char16_t Fold(char16_t ch);
  static uint64_t HashOf(std::u16string_view name);
  /// The slot holding `name`, or the empty slot where it would go.
  size_t SlotOf(std::u16string_view name, uint64_t hash) const;
  void Grow();

  std::vector<TSlot> FSlots;  // open addressing, size a power of two
  size_t FCount = 0;
  size_t FMinLength = SIZE_MAX;
  size_t FMaxLength = 0;
};

}  // namespace zan
