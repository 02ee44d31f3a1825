#include "utf8_console_output.h"

#include <windows.h>

#include <atomic>
#include <iostream>
#include <streambuf>
#include <string>

namespace harnlode {
namespace {

// The code page to put back, 0 when there is none. Shared with the console's event handler,
// which runs on a thread of its own.
std::atomic<UINT> earlier_code_page{0};

void PutEarlierCodePageBack() {
  const UINT code_page = earlier_code_page.exchange(0);
  if (code_page != 0) ::SetConsoleOutputCP(code_page);
}

BOOL WINAPI OnConsoleStop(DWORD) {
  PutEarlierCodePageBack();
  return FALSE;  // the default handling then ends the program
}

// The length of `text` without a UTF-8 sequence cut short at its end, which waits for the rest.
std::size_t CompleteLength(const std::string& text) {
  std::size_t start = text.size();
  while (start > 0 && start + 4 > text.size() &&
         (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80) {
    --start;
  }
  if (start == 0) return text.size();
  const auto lead = static_cast<unsigned char>(text[start - 1]);
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  return text.size() - (start - 1) < length ? start - 1 : text.size();
}

}  // namespace

// A stream buffer that writes to a console in UTF-16 whenever its stream is flushed.
class Utf8ConsoleOutput::Stream final : public std::streambuf {
 public:
  Stream(std::ostream& stream, HANDLE console)
      : stream_(stream), console_(console), earlier_(stream.rdbuf(this)) {}
  ~Stream() override {
    Write(pending_.size());  // a sequence cut short included, as the replacement character
    stream_.rdbuf(earlier_);
  }

  // The console behind a standard handle, or nullptr when the handle is a file, a pipe or none.
  static HANDLE Console(DWORD standard_handle) {
    const HANDLE handle = ::GetStdHandle(standard_handle);
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && ::GetConsoleMode(handle, &mode)
               ? handle
               : nullptr;
  }

 protected:
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) pending_ += traits_type::to_char_type(c);
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char* text, std::streamsize count) override {
    pending_.append(text, static_cast<std::size_t>(count));
    return count;
  }
  int sync() override { return Write(CompleteLength(pending_)); }

 private:
  int Write(std::size_t length) {
    if (length == 0) return 0;
    const int count = static_cast<int>(length);
    std::wstring wide(::MultiByteToWideChar(CP_UTF8, 0, pending_.data(), count, nullptr, 0), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, pending_.data(), count, wide.data(),
                          static_cast<int>(wide.size()));
    pending_.erase(0, length);
    DWORD written = 0;
    return ::WriteConsoleW(console_, wide.data(), static_cast<DWORD>(wide.size()), &written,
                           nullptr)
               ? 0
               : -1;
  }

  std::ostream& stream_;
  HANDLE console_;
  std::streambuf* earlier_;
  std::string pending_;
};

Utf8ConsoleOutput::Utf8ConsoleOutput() {
  const UINT code_page = ::GetConsoleOutputCP();  // 0 without a console
  if (code_page != 0 && code_page != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8)) {
    earlier_code_page = code_page;
    ::SetConsoleCtrlHandler(OnConsoleStop, TRUE);
  }
  std::cout.flush();
  std::cerr.flush();
  if (const HANDLE console = Stream::Console(STD_OUTPUT_HANDLE)) {
    out_ = std::make_unique<Stream>(std::cout, console);
  }
  if (const HANDLE console = Stream::Console(STD_ERROR_HANDLE)) {
    err_ = std::make_unique<Stream>(std::cerr, console);
  }
}

Utf8ConsoleOutput::~Utf8ConsoleOutput() {
  out_.reset();
  err_.reset();
  if (earlier_code_page == 0) return;
  ::SetConsoleCtrlHandler(OnConsoleStop, FALSE);
  PutEarlierCodePageBack();
}

}  // namespace harnlode
