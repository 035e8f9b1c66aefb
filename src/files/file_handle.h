// Handles that close themselves. A handle has one owner, which closes it once:
// when it goes out of scope, when it is closed on purpose, or when another
// handle is moved into it. The last-error value stays as it was across the
// close, so that a function returns a failure's value past the handles that
// it lets go of. Windows has two "no handle" values, INVALID_HANDLE_VALUE and
// NULL; either makes an owner that holds nothing.
#ifndef QUELLMAR_FILES_FILE_HANDLE_H_
#define QUELLMAR_FILES_FILE_HANDLE_H_

#include <windows.h>

#include <cstddef>

template <typename Traits>
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(HANDLE handle)
      : handle_(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
  ~ScopedHandle() {
    close();
  }

  ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
  // Closes what it held first. To let go of a handle before its successor
  // is opened, which an open that must not meet it needs, close() first.
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) {
      close();
      handle_ = other.release();
    }
    return *this;
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;

  bool valid() const {
    return handle_ != nullptr;
  }
  explicit operator bool() const {
    return valid();
  }
  HANDLE get() const {
    return handle_;
  }

  void close() {
    if (handle_ == nullptr)
      return;
    DWORD error = GetLastError();
    Traits::close(handle_);
    SetLastError(error);
    handle_ = nullptr;
  }

  // Gives the handle up to a caller that closes it.
  HANDLE release() {
    HANDLE handle = handle_;
    handle_ = nullptr;
    return handle;
  }

 private:
  HANDLE handle_ = nullptr;
};

struct KernelHandleTraits {
  static void close(HANDLE handle) {
    CloseHandle(handle);
  }
};
// FindFirstFileW's search handles are closed with FindClose.
struct FindHandleTraits {
  static void close(HANDLE handle) {
    FindClose(handle);
  }
};

// A file, a folder, a process: what CreateFileW, NtCreateFile or
// CreateProcessW give.
using FileHandle = ScopedHandle<KernelHandleTraits>;
using FindHandle = ScopedHandle<FindHandleTraits>;

// Handles held together, for as long as their owner lives, and closed
// together, the last one first.
class FileHandles {
 public:
  FileHandles() = default;
  ~FileHandles() {
    close_all();
  }
  FileHandles(const FileHandles&) = delete;
  FileHandles& operator=(const FileHandles&) = delete;

  // Takes |handle| in. Returns false, with ERROR_NOT_ENOUGH_MEMORY, when it
  // cannot; the handle is closed then.
  bool keep(FileHandle handle);
  void close_all();

  std::size_t count() const {
    return count_;
  }
  // The handle kept |index|-th, still owned here.
  HANDLE operator[](std::size_t index) const {
    return handles_[index];
  }

 private:
  HANDLE* handles_ = nullptr;
  std::size_t count_ = 0;
  std::size_t capacity_ = 0;
};

#endif  // QUELLMAR_FILES_FILE_HANDLE_H_
