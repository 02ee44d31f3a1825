// While it lives, the program's UTF-8 text shows as it is in the console it writes to: the
// console's output code page is UTF-8, and std::cout and std::cerr, where they are the console,
// hand it their text as UTF-16, past the C runtime's text-mode conversion, which takes each byte
// for a character of its own. The console gets its earlier code page back when this ends, and
// also when the program is stopped from the console (Ctrl+C, the window closed). Output to files
// and pipes is left as it is. Windows only.
#pragma once

#include <memory>

namespace harnlode {

class Utf8ConsoleOutput {
 public:
  Utf8ConsoleOutput();
  ~Utf8ConsoleOutput();
  Utf8ConsoleOutput(const Utf8ConsoleOutput&) = delete;
  Utf8ConsoleOutput& operator=(const Utf8ConsoleOutput&) = delete;

 private:
  class Stream;
  std::unique_ptr<Stream> out_;
  std::unique_ptr<Stream> err_;
};

}  // namespace harnlode
