// Arrays on the process heap that grow as they fill, for the file layer's
// lists: no exceptions and no allocator of the C++ library's.
#ifndef QUELLMAR_FILES_HEAP_ARRAY_H_
#define QUELLMAR_FILES_HEAP_ARRAY_H_

#include <windows.h>

#include <cstddef>

// Makes room for one more item in |*items|, which holds |count| of
// |*capacity|, doubling it (or taking |first_capacity| at first). |Item| is
// copied bytewise. Returns false, with ERROR_NOT_ENOUGH_MEMORY, when there is
// no memory for it; |*items| stays as it was then.
template <typename Item>
bool make_room(Item** items, std::size_t count, std::size_t* capacity, std::size_t first_capacity) {
  if (count < *capacity)
    return true;
  std::size_t grown = *capacity == 0 ? first_capacity : 2 * *capacity;
  void* bytes = *items == nullptr ? HeapAlloc(GetProcessHeap(), 0, grown * sizeof(Item))
                                  : HeapReAlloc(GetProcessHeap(), 0, *items, grown * sizeof(Item));
  if (bytes == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  *items = static_cast<Item*>(bytes);
  *capacity = grown;
  return true;
}

#endif  // QUELLMAR_FILES_HEAP_ARRAY_H_
