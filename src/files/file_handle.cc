#include "files/file_handle.h"

bool FileHandles::keep(FileHandle handle) {
  if (count_ == capacity_) {
    std::size_t grown = capacity_ == 0 ? 32 : 2 * capacity_;
    void* handles = handles_ == nullptr
                        ? HeapAlloc(GetProcessHeap(), 0, grown * sizeof(HANDLE))
                        : HeapReAlloc(GetProcessHeap(), 0, handles_, grown * sizeof(HANDLE));
    if (handles == nullptr) {
      handle.close();
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return false;
    }
    handles_ = static_cast<HANDLE*>(handles);
    capacity_ = grown;
  }
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
