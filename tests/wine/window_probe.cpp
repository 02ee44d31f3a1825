// window_probe [--unlike FILE] [--dismiss] CLASS CAPTION
// Describes another program's window, for the tests that drive the Windows window under Wine. It
// waits (up to 20 s) for a visible top-level window of that class and caption, then writes:
//   client WIDTH HEIGHT
//   caption TEXT
//   CLASS LEFT TOP WIDTH HEIGHT TEXT      one line per child window, at its place in the window's
//                                         client area; its whole text (WM_GETTEXT) as UTF-8, with
//                                         \r, \n, \t and \\ escaped
// --unlike FILE: waits until the description differs from FILE's (one written before), so that a
//   caller sees the window after the input it has just sent; a window that handles no message
//   while it works answers WM_GETTEXT only after its work.
// --dismiss: afterwards presses the window's OK button (a message box's) and waits until it has
//   gone.
// Exits with 0, or 1 with a message when no such window showed or it did not change.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

constexpr auto kPatience = std::chrono::seconds(20);
constexpr UINT kAnswerMs = 10000;  // how long a window may take to answer one message

std::string Utf8(const std::wstring& wide) {
  const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                           nullptr, 0, nullptr, nullptr);
  std::string text(length, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length,
                        nullptr, nullptr);
  return text;
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    const char* escape = c == '\r'   ? "\\r"
                         : c == '\n' ? "\\n"
                         : c == '\t' ? "\\t"
                         : c == '\\' ? "\\\\"
                                     : nullptr;
    if (escape) {
      out += escape;
    } else {
      out += c;
    }
  }
  return out;
}

// The text as the window itself gives it, which for an edit control is its content.
std::string TextOf(HWND window) {
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kAnswerMs, &length)) {
    return "(no answer)";
  }
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  ::SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_NORMAL, kAnswerMs, &copied);
  text.resize(copied);
  return Utf8(text);
}

struct Description {
  HWND window;
  std::ostringstream out;
};

BOOL CALLBACK DescribeChild(HWND child, LPARAM context) {
  Description& description = *reinterpret_cast<Description*>(context);
  wchar_t class_name[256] = {};
  ::GetClassNameW(child, class_name, 256);
  RECT place;
  ::GetWindowRect(child, &place);
  ::MapWindowPoints(HWND_DESKTOP, description.window, reinterpret_cast<POINT*>(&place), 2);
  description.out << Utf8(class_name) << ' ' << place.left << ' ' << place.top << ' '
                  << place.right - place.left << ' ' << place.bottom - place.top << ' '
                  << Escaped(TextOf(child)) << '\n';
  return TRUE;
}

std::string Describe(HWND window) {
  Description description{window, {}};
  RECT client;
  ::GetClientRect(window, &client);
  description.out << "client " << client.right << ' ' << client.bottom << '\n';
  description.out << "caption " << Escaped(TextOf(window)) << '\n';
  ::EnumChildWindows(window, DescribeChild, reinterpret_cast<LPARAM>(&description));
  return description.out.str();
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "window_probe: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main() {
  // The arguments as UTF-8, whatever the code page.
  int argc = 0;
  wchar_t** wide_argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  std::string unlike;
  bool dismiss = false;
  int i = 1;
  for (; i < argc; ++i) {
    const std::wstring argument = wide_argv[i];
    if (argument == L"--unlike" && i + 1 < argc) {
      std::ifstream file(wide_argv[++i], std::ios::binary);
      unlike.assign(std::istreambuf_iterator<char>(file), {});
    } else if (argument == L"--dismiss") {
      dismiss = true;
    } else {
      break;
    }
  }
  if (argc - i != 2) return Fail("usage: window_probe [--unlike FILE] [--dismiss] CLASS CAPTION");
  const std::wstring class_name = wide_argv[i];
  const std::wstring caption = wide_argv[i + 1];
  const std::string what = "window \"" + Utf8(caption) + "\" of class " + Utf8(class_name);

  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  HWND window = nullptr;
  std::string description;
  for (;;) {
    window = ::FindWindowW(class_name.c_str(), caption.c_str());
    if (window != nullptr && ::IsWindowVisible(window)) {
      description = Describe(window);
      if (description != unlike) break;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      return Fail(window == nullptr ? "no " + what + " showed" : "the " + what + " did not change");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ::_setmode(::_fileno(stdout), _O_BINARY);  // lines end in \n alone
  std::fwrite(description.data(), 1, description.size(), stdout);
  if (dismiss) {
    ::PostMessageW(window, WM_COMMAND, IDOK, 0);
    while (::IsWindow(window)) {
      if (std::chrono::steady_clock::now() > deadline) return Fail("the " + what + " stayed");
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  return 0;
}
