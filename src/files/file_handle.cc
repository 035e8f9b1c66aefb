#include "files/file_handle.h"

#include "files/heap_array.h"

bool FileHandles::keep(FileHandle handle) {
  // Without room, |handle| closes as it goes.
  if (!make_room(&handles_, count_, &capacity_, 32))
    return false;
  handles_[count_++] = handle.release();
  return true;
}

void FileHandles::close_all() {
  while (count_ > 0)
    FileHandle(handles_[--count_]).close();
  if (handles_ != nullptr)
    HeapFree(GetProcessHeap(), 0, handles_);
  handles_ = nullptr;
  capacity_ = 0;
}
