// harnlode.exe under Wine, on an X display with a window manager, used as a user would: found by
// its caption, pressed with the mouse and with the keyboard, its log read after each run and held
// against harnlode-check's report on an offline installation with the same registry content, and
// the prefix's registry against that installation's. Needs the environment that
// scripts/test-windows sets: WINE, WINEPREFIX, DISPLAY, HARNLODE_WINDOWS_WINDOW (harnlode.exe)
// and HARNLODE_WINDOW_PROBE (window_probe.exe, of the same build). With HARNLODE_WINDOW_SHOTS set
// to a folder, the screen is saved there after each step, for review (scripts/screenshots.sh).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "child_process.h"
#include "expected_texts.h"
#include "twin_systems.h"
#include "usb_form.h"

namespace harnlode::testing {
namespace {

namespace fs = std::filesystem;

// The application title, which the error box carries: harnlode.exe's name without ".exe", lower
// case after the first letter, which keeps its case.
constexpr const char* kTitle = "harnlode";

// The X window (by default the whole screen) as windows-NAME.png in HARNLODE_WINDOW_SHOTS, when
// that is set, with the pointer out of the way.
void Shot(const std::string& name, const std::string& x_window = "root") {
  const char* folder = std::getenv("HARNLODE_WINDOW_SHOTS");
  if (folder == nullptr) return;
  RunWith({"xdotool", "mousemove", "1000", "750"});
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  RunWith({"timeout", "10", "import", "-window", x_window,
           std::string(folder) + "/windows-" + name + ".png"});
}

struct Control {
  std::string class_name;
  form::Rect place;  // within the window's client area
  std::string text;
};

// A window as window_probe describes it.
struct Description {
  std::string raw;
  form::Size client{0, 0};
  std::string caption;
  std::vector<Control> controls;

  const Control* Find(const std::string& class_name, const std::string& text = "") const {
    for (const Control& control : controls) {
      if (control.class_name == class_name && (text.empty() || control.text == text)) {
        return &control;
      }
    }
    return nullptr;
  }
  std::string Log() const {
    const Control* log = Find("Edit");
    return log ? log->text : "(no log)";
  }
};

std::string Unescaped(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char c = text[++i];
    out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
  }
  return out;
}

Description Parse(const std::string& raw) {
  Description description;
  description.raw = raw;
  std::istringstream lines(raw);
  std::string line;
  std::string word;
  lines >> word >> description.client.width >> description.client.height;
  std::getline(lines, line);
  std::getline(lines, line);
  description.caption = Unescaped(line.substr(line.find(' ') + 1));
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    Control control;
    form::Rect& r = control.place;
    fields >> control.class_name >> r.left >> r.top >> r.width >> r.height;
    fields.get();  // the blank before the text
    std::getline(fields, control.text);
    control.text = Unescaped(control.text);
    description.controls.push_back(control);
  }
  return description;
}

// What LogLine adds to a log that held `before` when it appends the texts that harnlode-check
// writes one a line, as `report`: a line break after each text, or, where the log did not end
// in one, before each.
std::string Appended(const std::string& before, const std::string& report) {
  const bool ends_in_break = before.empty() || before.ends_with("\r\n");
  return ends_in_break ? report : "\n" + report.substr(0, report.size() - 1);
}

// harnlode.exe, started in the prefix, seen through window_probe and driven through xdotool.
class WindowsWindow {
 public:
  explicit WindowsWindow(const TwinSystems& twins)
      : twins_(twins),
        program_({twins.Wine(), Environment("HARNLODE_WINDOWS_WINDOW")},
                 {.out = twins.Scratch() / "window.out", .errors_to_output = true}) {}

  // The main window, once it shows, and once it differs from `unlike` when that is given.
  Description Main(const Description* unlike = nullptr) {
    return Probe("TForm1", expected::kCaption, unlike, false);
  }
  // The error box, closed after it has been read.
  Description ErrorBox() {
    Probe("#32770", kTitle, nullptr, false);
    Shot("error-box");
    return Probe("#32770", kTitle, nullptr, true);
  }

  // The main window's client area, which is Wine's X window, as a shot.
  void ShotOfMain(const std::string& name) {
    if (std::getenv("HARNLODE_WINDOW_SHOTS")) Shot(name, XWindow());
  }

  // The centre of the button with that caption, clicked with the mouse.
  void Click(const Description& main, const std::string& caption) {
    const Control* button = main.Find("Button", caption);
    ASSERT_NE(button, nullptr) << "no button " << caption << " in\n" << main.raw;
    const form::Rect& r = button->place;
    Xdotool({"mousemove", "--window", XWindow(), std::to_string(r.left + r.width / 2),
             std::to_string(r.top + r.height / 2), "click", "1"});
  }
  // Keys pressed as xdotool names them, once the window is the active one: the window manager
  // may not have given a new window the focus yet.
  void Press(const std::string& keys) {
    for (int i = 0; i < 50; ++i) {
      std::string active;
      std::istringstream(RunWith({"xdotool", "getactivewindow"}).out) >> active;
      if (active == XWindow()) break;
      RunWith({"xdotool", "windowactivate", XWindow()});
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::vector<std::string> arguments = {"key"};
    std::istringstream names(keys);
    for (std::string key; names >> key;) arguments.push_back(key);
    Xdotool(arguments);
  }

  // The program's exit status once it has ended, within ten seconds; -2 when it did not.
  int Ended() {
    for (int i = 0; i < 100 && program_.Running(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return program_.Running() ? -2 : program_.Wait();
  }

 private:
  Description Probe(const std::string& class_name, const std::string& caption,
                    const Description* unlike, bool dismiss) {
    std::vector<std::string> arguments = {twins_.Wine(), Environment("HARNLODE_WINDOW_PROBE")};
    if (unlike) {
      const fs::path file = twins_.Scratch() / "unlike.txt";
      std::ofstream(file, std::ios::binary) << unlike->raw;
      arguments.insert(arguments.end(), {"--unlike", WindowsPath(file)});
    }
    if (dismiss) arguments.emplace_back("--dismiss");
    arguments.insert(arguments.end(), {class_name, caption});
    const Outcome probe = RunWith(arguments);
    EXPECT_EQ(probe.status, 0) << probe;
    return Parse(probe.out);
  }

  const std::string& XWindow() {
    if (x_window_.empty()) {
      const Outcome search = RunWith({"timeout", "20", "xdotool", "search", "--sync",
                                      "--onlyvisible", "--name", "^" + expected::kCaption + "$"});
      std::istringstream(search.out) >> x_window_;
      EXPECT_FALSE(x_window_.empty()) << search;
    }
    return x_window_;
  }

  static void Xdotool(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "xdotool");
    const Outcome run = RunWith(arguments);
    EXPECT_EQ(run.status, 0) << run;
  }

  const TwinSystems& twins_;
  ChildProcess program_;
  std::string x_window_;
};

TEST(WineWindow, ShowsTheFormAtStart) {
  TwinSystems twins;
  twins.AddFreshInstallation();
  ASSERT_NO_FATAL_FAILURE(twins.Apply());
  WindowsWindow window(twins);
  const Description main = window.Main();
  window.ShotOfMain("start");
  EXPECT_EQ(main.caption, expected::kCaption);
  EXPECT_EQ(main.client.width, form::kClientSize.width) << main.raw;
  EXPECT_EQ(main.client.height, form::kClientSize.height) << main.raw;
  // The buttons stand on the upper pane's page, inside its frame.
  for (const form::Button& expected : form::kButtons) {
    const Control* button = main.Find("Button", std::string(expected.caption));
    ASSERT_NE(button, nullptr) << expected.caption << " in\n" << main.raw;
    EXPECT_EQ(button->place.left, form::kPaneFrameWidth + expected.geometry.left);
    EXPECT_EQ(button->place.top, form::kPaneFrameWidth + expected.geometry.top);
    EXPECT_EQ(button->place.width, expected.geometry.width);
    EXPECT_EQ(button->place.height, expected.geometry.height);
  }
  EXPECT_EQ(main.Log(), form::InstructionsText("\r\n"));
  ASSERT_NO_FATAL_FAILURE(window.Click(main, "Exit"));
  EXPECT_EQ(window.Ended(), 0);
}

// One input and what it must do: run the check, tuning or not, or end the program.
enum class Does { kAnalysis, kTuning, kExit };
struct Input {
  const char* click;  // the caption of the button clicked, or null
  const char* keys;   // else the keys pressed
  Does does;
};
struct Session {
  const char* name;
  std::vector<Input> inputs;
};
std::ostream& operator<<(std::ostream& out, const Session& session) { return out << session.name; }

class WineWindowSession : public ::testing::TestWithParam<Session> {};

// Every run appends what harnlode-check reports on the twin and leaves the registry as it leaves
// the twin's; the last input ends the program with 0.
TEST_P(WineWindowSession, RunsTheCheckAndEnds) {
  TwinSystems twins;
  twins.AddFreshInstallation();
  ASSERT_NO_FATAL_FAILURE(twins.Apply());
  WindowsWindow window(twins);
  Description main = window.Main();
  int step = 0;
  for (const Input& input : GetParam().inputs) {
    SCOPED_TRACE(input.click ? input.click : input.keys);
    if (input.click) {
      ASSERT_NO_FATAL_FAILURE(window.Click(main, input.click));
    } else {
      window.Press(input.keys);
    }
    if (input.does == Does::kExit) break;
    const Outcome report = twins.CheckOffline(input.does == Does::kTuning);
    const Description after = window.Main(&main);
    ASSERT_TRUE(after.Log().starts_with(main.Log())) << after.Log();
    EXPECT_EQ(WithoutCarriageReturns(after.Log().substr(main.Log().size())),
              Appended(main.Log(), report.out));
    EXPECT_EQ(twins.PrefixServiceValues(), twins.OfflineServiceValues());
    window.ShotOfMain(std::string(GetParam().name) + "-" + std::to_string(++step));
    main = after;
  }
  EXPECT_EQ(window.Ended(), 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, WineWindowSession,
                         ::testing::Values(Session{"Mouse",
                                                   {{"Analyze", nullptr, Does::kAnalysis},
                                                    {"Tune", nullptr, Does::kTuning},
                                                    {"Analyze", nullptr, Does::kAnalysis},
                                                    {"Exit", nullptr, Does::kExit}}},
                                           // The focus starts on Analyze, the first in the tab
                                           // order Analyze, Tune, Exit, log.
                                           Session{"Keyboard",
                                                   {{nullptr, "space", Does::kAnalysis},
                                                    {nullptr, "Tab Return", Does::kTuning},
                                                    {nullptr, "shift+Tab space", Does::kAnalysis},
                                                    {nullptr, "Tab Tab Return", Does::kExit}}}),
                         [](const auto& info) { return std::string(info.param.name); });

// A value that cannot be read ends the run with the error box; the window goes on.
TEST(WineWindow, AnUnreadableValueShowsTheErrorBoxAndTheWindowGoesOn) {
  TwinSystems twins;
  twins.AddFreshInstallation("usbhub");
  ASSERT_NO_FATAL_FAILURE(twins.Apply());
  WindowsWindow window(twins);
  const Description main = window.Main();
  ASSERT_NO_FATAL_FAILURE(window.Click(main, "Analyze"));
  const Description box = window.ErrorBox();
  const Outcome report = twins.CheckOffline(false);
  ASSERT_EQ(report.status, 2) << report;
  EXPECT_EQ(box.caption, kTitle);  // found without regard to case
  EXPECT_EQ(report.err, expected::GetDataFailed("Start") + "\n");
  EXPECT_NE(box.Find("Static", report.err.substr(0, report.err.size() - 1)), nullptr) << box.raw;
  const Description after = window.Main(&main);
  EXPECT_EQ(WithoutCarriageReturns(after.Log().substr(main.Log().size())),
            Appended(main.Log(), report.out));
  ASSERT_NO_FATAL_FAILURE(window.Click(after, "Exit"));
  EXPECT_EQ(window.Ended(), 0);
}

}  // namespace
}  // namespace harnlode::testing
