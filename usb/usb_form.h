// TForm1, the main window, as data: every size, text, font and colour of the form, written once
// for each toolkit's drawing of it. Sizes are in pixels at 96 dots per inch.
//
// The form: a client area of kClientSize in the button-face colour, holding two navigation panes
// at full width, kUpperPane at the top and kLowerPane at the bottom; on resizing both keep their
// heights and the upper one stays in front. The upper pane's page holds kButtons, the lower one's
// the log (kLogName), which fills its page. Tab order: the buttons as listed, then the log.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace harnlode::form {

struct Size {
  int width;
  int height;
};

struct Rect {
  int left;
  int top;
  int width;
  int height;
};

struct Rgb {
  std::uint8_t red;
  std::uint8_t green;
  std::uint8_t blue;
};

// Colours that follow the desktop's settings rather than the theme.
enum class SystemColour { ButtonFace, Window, ButtonText };

struct Font {
  std::string_view face;
  int points;
  // The character height that `points` gives at 96 dots per inch.
  int pixel_height;
  bool bold;
};

inline constexpr int kDesignDotsPerInch = 96;
inline constexpr Size kClientSize{605, 441};
inline constexpr SystemColour kFormBackground = SystemColour::ButtonFace;

// The caption stays empty until the window's first activation and is this from then on.
inline constexpr std::string_view kCaption = "Harnlode by Quillmarsh. 7.2";

inline constexpr Font kFormFont{"MS Sans Serif", 8, 11, false};
inline constexpr Font kLogFont{"MS Sans Serif", 8, 11, true};

// A navigation pane with a single page: inside a frame of kPaneFrameWidth, the page area, the
// splitter bar and the strip, top to bottom; the page's selector stands at the strip's right end,
// drawn pressed because its page is the active one.
struct Pane {
  std::string_view name;
  std::string_view page_name;
  int height;
};

inline constexpr Pane kUpperPane{"JvNavigationPane2", "JvNavPanelPage2", 177};
inline constexpr Pane kLowerPane{"JvNavigationPane1", "JvNavPanelPage1", 264};
inline constexpr int kPaneFrameWidth = 1;
inline constexpr int kSplitterHeight = 7;
inline constexpr int kStripHeight = 28;
inline constexpr int kSelectorWidth = 22;
inline constexpr SystemColour kPageBackground = SystemColour::Window;

// Where a pane's parts lie in a pane of `size`, in the pane's own coordinates: the page area fills
// what the frame, the splitter bar and the strip leave, and the selector ends the strip. `scaled`
// turns the form's sizes into the screen's pixels; none keeps them as they are.
struct PaneLayout {
  Rect page;
  Rect splitter;
  Rect strip;
  Rect selector;
};
PaneLayout LayOutPane(Size size, int (*scaled)(int) = nullptr);

// The row of grip dots centred on the splitter bar: each dot a dark square with a light one
// offset by a pixel to the lower right.
inline constexpr int kGripDots = 9;
inline constexpr int kGripPitch = 4;
inline constexpr int kGripDotSize = 2;
inline constexpr int kGripTop = 2;

// What a button does when pressed.
enum class Command { Analyze, Tune, Exit };

// A picture button in the Office-XP manner: flat on its page until hot, its picture above its
// caption, both centred.
struct Button {
  std::string_view name;
  std::string_view caption;
  // Within the upper pane's page.
  Rect geometry;
  // None when empty.
  std::string_view tooltip;
  // The picture's resource name.
  std::string_view picture;
  Command command;
};

inline constexpr std::array<Button, 3> kButtons{{
    {"JvXPButton1",
     "Analyze",
     {24, 16, 81, 89},
     "Step1: Choose your file  to be inspected.",
     "analyze",
     Command::Analyze},
    {"JvXPButton2", "Tune", {157, 16, 89, 89}, "", "tune", Command::Tune},
    {"JvXPButton6", "Exit", {448, 16, 89, 89}, "", "exit", Command::Exit},
}};
inline constexpr int kPictureSize = 64;
inline constexpr int kPictureCaptionGap = 3;
inline constexpr SystemColour kCaptionColour = SystemColour::ButtonText;

inline constexpr int kToolTipWakeUpMilliseconds = 500;
inline constexpr int kToolTipDisplayMilliseconds = 2500;

// The log: both scroll bars, no wrapping, tab stops every kTabStopCharacters average characters
// of kLogFont, so that the instructions' indented lines stand under the centred title.
inline constexpr std::string_view kLogName = "JvMemo1";
inline constexpr int kTabStopCharacters = 8;

// The log's text at start, one entry a line.
inline constexpr std::array<std::string_view, 14> kInstructionLines{{
    "                                  Harnlode, the ultimate high speed usb boot utility!",
    "\t                           Copyright (C) 2008 Quillmarsh Software",
    "\t\t                              http://www.quillmarsh.example",
    "   ",
    "Now Windows Vista can boot from an usb harddrive!!!",
    "",
    "a) Install Vista to a internal harddisk.",
    "b) Run Harnlode (as admin!) to make the operating systems to boot from usb properly.",
    "c) Remove the hardisk and plug it into an external usb case.",
    "d) Configure your bios that the computer will boot from an external usb device",
    "",
    "Note: Your bios has to support booting from an usb device.",
    "",
    "For support use support@quillmarsh.example",
}};

// The instructions with `line_break` after every line, the last one included.
std::string InstructionsText(std::string_view line_break);

// The log's line break; a line feed alone, as the messages carry it, is none.
inline constexpr std::string_view kLogLineBreak = "\r\n";

// Whether a log that holds `log_text` ends a line: it is empty or ends with a line break.
bool EndsLine(std::string_view log_text);

// What LogLine adds at the end of a log so that `text` starts a line of its own: `text` and a
// line break when the log ends a line, else a line break and `text`.
std::string LogLineAppendix(bool log_ends_line, std::string_view text);

// The olive theme that the panes and the buttons share.
namespace olive {
inline constexpr Rgb kFrame{0x73, 0x8A, 0x56};
inline constexpr Rgb kSplitterTop{0xD8, 0xE1, 0xBC};
inline constexpr Rgb kSplitterBottom{0xA7, 0xB9, 0x80};
inline constexpr Rgb kGripLight{0xF4, 0xF7, 0xE8};
inline constexpr Rgb kGripDark{0x6B, 0x80, 0x4E};
inline constexpr Rgb kStripTop{0xF3, 0xF5, 0xE6};
inline constexpr Rgb kStripBottom{0xC9, 0xD4, 0xA9};
inline constexpr Rgb kSelectedTop{0xF7, 0xB2, 0x5A};
inline constexpr Rgb kSelectedBottom{0xFB, 0xD9, 0x98};
inline constexpr Rgb kSelectedBorder{0x8C, 0x6A, 0x2E};

inline constexpr Rgb kButtonHover{0xEC, 0xF1, 0xD8};
inline constexpr Rgb kButtonHoverBorder{0x86, 0x9C, 0x5C};
inline constexpr Rgb kButtonPressed{0xD2, 0xDD, 0xAE};
inline constexpr Rgb kButtonPressedBorder{0x5E, 0x74, 0x3E};
}  // namespace olive

}  // namespace harnlode::form
