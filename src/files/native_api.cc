#include "files/native_api.h"

namespace {

bool looked_up = false;
NativeApi functions = {nullptr, nullptr, nullptr};

template <typename Function>
Function ntdll_function(HMODULE ntdll, const char* name) {
  // Through void (*)(), which converts to any function pointer quietly.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(ntdll, name)));
}

}  // namespace

const NativeApi& native_api() {
  if (!looked_up) {
    looked_up = true;
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll != nullptr) {
      functions.create_file = ntdll_function<NtCreateFileFunction>(ntdll, "NtCreateFile");
      functions.query_directory =
          ntdll_function<NtQueryDirectoryFileFunction>(ntdll, "NtQueryDirectoryFile");
      functions.to_error =
          ntdll_function<RtlNtStatusToDosErrorFunction>(ntdll, "RtlNtStatusToDosError");
    }
  }
  return functions;
}

bool is_unsupported_request(DWORD error) {
  return error == ERROR_INVALID_PARAMETER || error == ERROR_INVALID_LEVEL ||
         error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION ||
         error == ERROR_GEN_FAILURE;
}

DWORD error_of(LONG status) {
  const NativeApi& nt = native_api();
  return nt.to_error != nullptr ? nt.to_error(status) : ERROR_GEN_FAILURE;
}
