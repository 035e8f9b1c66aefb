// Arrays on the process heap that grow as they fill, and memory kept in
// chunks, for the file layer's lists: no exceptions and no allocator of the
// C++ library's.
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

// Memory in a chain of chunks on the process heap, kept until the chain is
// freed as a whole: what a listing's names point into. |*chain| is the newest
// chunk, or nullptr for none.
struct HeapChunk {
  HeapChunk* next;
  // The records it holds have 64-bit fields: 8-byte aligned on x86 too,
  // which a 64-bit member gives without an alignment specifier.
  unsigned long long bytes[1];
};

// Adds a chunk of |bytes| to |*chain| and returns its room, or nullptr, with
// ERROR_NOT_ENOUGH_MEMORY, when there is no memory for it.
inline void* add_chunk(void** chain, std::size_t bytes) {
  HeapChunk* chunk =
      static_cast<HeapChunk*>(HeapAlloc(GetProcessHeap(), 0, sizeof(HeapChunk) + bytes));
  if (chunk == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  chunk->next = static_cast<HeapChunk*>(*chain);
  *chain = chunk;
  return chunk->bytes;
}

inline void free_chunks(void** chain) {
  for (HeapChunk* chunk = static_cast<HeapChunk*>(*chain); chunk != nullptr;) {
    HeapChunk* next = chunk->next;
    HeapFree(GetProcessHeap(), 0, chunk);
    chunk = next;
  }
  *chain = nullptr;
}

#endif  // QUELLMAR_FILES_HEAP_ARRAY_H_
