// A 32-bit program on 64-bit Windows sees the 32-bit system folder SysWOW64 where it asks for
// system32. While a pause lives, the calling thread's file-system calls see the folders as they
// are; when it ends, the redirection is back on. Elsewhere (a 64-bit program, 32-bit Windows, a
// system without the functions) it does nothing. The thread's last error is left as it was.
#pragma once

namespace harnlode {

class FileSystemRedirectionPause {
 public:
  FileSystemRedirectionPause();
  ~FileSystemRedirectionPause();
  FileSystemRedirectionPause(const FileSystemRedirectionPause&) = delete;
  FileSystemRedirectionPause& operator=(const FileSystemRedirectionPause&) = delete;

 private:
  using RevertFunction = int(__stdcall*)(void*);

  RevertFunction revert_ = nullptr;  // set only while redirection is off
  void* saved_state_ = nullptr;
};

}  // namespace harnlode
