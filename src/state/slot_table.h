// Tables of ids whose rows sit in the slots of their ids, from slot 1, as the
// settings' flag tables keep them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

template <typename Row, size_t N>
constexpr bool rowsInSlotOrder(const std::array<Row, N>& rows) {
  for (size_t row = 0; row < N; ++row)
    if (static_cast<size_t>(rows[row].id) != row + 1) return false;
  return true;
}

// The row of an id; null for ids outside the table (Unchosen, garbled state).
template <typename Row, size_t N, typename Id>
constexpr const Row* rowOf(const std::array<Row, N>& rows, Id id) {
  const auto slot = static_cast<int64_t>(id);
  return slot >= 1 && slot <= static_cast<int64_t>(N) ? &rows[slot - 1] : nullptr;
}
