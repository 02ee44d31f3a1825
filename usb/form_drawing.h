// How the form's own controls are drawn, as data: the navigation pane and the picture button as
// lists of filled shapes in their own coordinates, the button's picture and caption places, its
// look in each state, and the one rule that picks a caption's colour. Each toolkit only fills the
// shapes and draws the picture and the text where this says.
#pragma once

#include <optional>
#include <variant>
#include <vector>

#include "usb_form.h"

namespace harnlode::form {

// A colour of the theme, or one of the desktop's settings.
using Paint = std::variant<Rgb, SystemColour>;

struct Fill {
  Rect area;
  Paint colour;
};

// Rows blending from `top` in the first to `bottom` in the last.
struct TopToBottom {
  Rect area;
  Rgb top;
  Rgb bottom;
};

// Drawn in order, later shapes over earlier ones.
using Shape = std::variant<Fill, TopToBottom>;
using Drawing = std::vector<Shape>;

// A pane of `size` (PaneLayout): frame, page, splitter with its grip, strip and selector.
Drawing DrawPane(Size size, int (*scaled)(int) = nullptr);

// What a picture button shows: pressed while held down, hot while the pointer rests on it.
struct ButtonState {
  bool pressed = false;
  bool hot = false;
  bool focused = false;
  bool enabled = true;
};

// Flat on its page unless pressed or hot; a frame for the pressed, the hot and the focused one
// (the focus wears the hot frame without its fill, so that Enter's target stays visible).
struct ButtonLook {
  Paint background;
  std::optional<Rgb> border;
  // How far a pressed button's picture and caption move right and down, as if pushed in.
  int content_shift;
};
ButtonLook LookOf(ButtonState state);

// The button's background and its frame, one pixel wide, in a button of `size`.
Drawing DrawButton(Size size, const ButtonLook& look);

// The picture above the caption, both centred, the caption's line `caption_height` high; moved by
// the look's shift.
struct ButtonContent {
  Rect picture;
  Rect caption;
};
ButtonContent LayOutButton(Size size, int caption_height, const ButtonLook& look,
                           int (*scaled)(int) = nullptr);

// How far two colours stand apart, from 1 (not at all) to 21 (black and white): the ratio of
// their relative luminances, each plus 0.05.
double Contrast(Rgb one, Rgb other);

// The colour for text on `background`: `preferred`, the desktop's, where it stands out from the
// background enough to read with ease (a contrast of kReadableContrast), else black or white,
// whichever stands out more. The captions and the strip's text all follow it.
inline constexpr double kReadableContrast = 4.5;
Rgb ReadableTextColour(Rgb background, Rgb preferred);

}  // namespace harnlode::form
