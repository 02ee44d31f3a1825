#include "windows/file_system_redirection_pause.h"

#include <windows.h>

namespace harnlode {
namespace {

using DisableFunction = BOOL(WINAPI*)(PVOID*);

// The functions are looked up when needed: 32-bit Windows before Vista lacks them, and later
// 32-bit Windows has them but they fail there.
template <typename Function>
Function Kernel32Function(const char* name) {
  const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
  if (kernel32 == nullptr) return nullptr;
  // Through the one function type that converts to and from every other without a warning.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(kernel32, name)));
}

}  // namespace

FileSystemRedirectionPause::FileSystemRedirectionPause() {
#ifndef _WIN64  // a 64-bit program is never redirected
  const DWORD last_error = ::GetLastError();
  const auto disable = Kernel32Function<DisableFunction>("Wow64DisableWow64FsRedirection");
  const auto revert = Kernel32Function<RevertFunction>("Wow64RevertWow64FsRedirection");
  if (disable != nullptr && revert != nullptr && disable(&saved_state_)) revert_ = revert;
  ::SetLastError(last_error);
#endif
}

FileSystemRedirectionPause::~FileSystemRedirectionPause() {
  if (revert_ == nullptr) return;
  const DWORD last_error = ::GetLastError();
  revert_(saved_state_);
  ::SetLastError(last_error);
}

}  // namespace harnlode
