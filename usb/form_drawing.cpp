#include "form_drawing.h"

#include <algorithm>
#include <cmath>

namespace harnlode::form {
namespace {

// A frame `width` wide along the inside of `area`, as four filled edges: at a fractional scale
// factor each edge still covers a device pixel, where an outline could fall between pixels.
void AddFrame(Drawing& drawing, Rect area, int width, Paint colour) {
  const int side_height = std::max(0, area.height - 2 * width);
  drawing.push_back(Fill{{area.left, area.top, area.width, width}, colour});
  drawing.push_back(Fill{{area.left, area.top + area.height - width, area.width, width}, colour});
  drawing.push_back(Fill{{area.left, area.top + width, width, side_height}, colour});
  drawing.push_back(
      Fill{{area.left + area.width - width, area.top + width, width, side_height}, colour});
}

// Lines stay one pixel wide at every scale, as the toolkits draw them.
constexpr int kLineWidth = 1;

// The relative luminance of an sRGB colour, 0 for black to 1 for white.
double Luminance(Rgb colour) {
  const auto linear = [](std::uint8_t value) {
    const double channel = value / 255.0;
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(colour.red) + 0.7152 * linear(colour.green) + 0.0722 * linear(colour.blue);
}

}  // namespace

Drawing DrawPane(Size size, int (*scaled)(int)) {
  const auto pixels = [scaled](int design) { return scaled ? scaled(design) : design; };
  const PaneLayout layout = LayOutPane(size, scaled);
  Drawing drawing;
  AddFrame(drawing, {0, 0, size.width, size.height}, pixels(kPaneFrameWidth), olive::kFrame);
  drawing.push_back(Fill{layout.page, kPageBackground});

  const Rect& splitter = layout.splitter;
  drawing.push_back(TopToBottom{splitter, olive::kSplitterTop, olive::kSplitterBottom});
  // A row of grip dots in the middle says that the bar is a splitter.
  const int pitch = pixels(kGripPitch);
  const int dot = pixels(kGripDotSize);
  const int shadow = pixels(1);
  const int first_dot = splitter.left + (splitter.width - 1) / 2 - kGripDots * pitch / 2;
  const int dot_top = splitter.top + pixels(kGripTop);
  for (int i = 0; i < kGripDots; ++i) {
    const int x = first_dot + i * pitch;
    drawing.push_back(Fill{{x + shadow, dot_top + shadow, dot, dot}, olive::kGripLight});
    drawing.push_back(Fill{{x, dot_top, dot, dot}, olive::kGripDark});
  }

  const Rect& strip = layout.strip;
  drawing.push_back(TopToBottom{strip, olive::kStripTop, olive::kStripBottom});
  drawing.push_back(Fill{{strip.left, strip.top, strip.width, kLineWidth}, olive::kFrame});

  // The active page's selector, pressed, below the strip's top line: warm fill, dark edge at top
  // and left.
  const Rect selector{layout.selector.left, layout.selector.top + kLineWidth, layout.selector.width,
                      layout.selector.height - kLineWidth};
  drawing.push_back(TopToBottom{selector, olive::kSelectedTop, olive::kSelectedBottom});
  drawing.push_back(
      Fill{{selector.left, selector.top, selector.width, kLineWidth}, olive::kSelectedBorder});
  drawing.push_back(
      Fill{{selector.left, selector.top, kLineWidth, selector.height}, olive::kSelectedBorder});
  return drawing;
}

ButtonLook LookOf(ButtonState state) {
  if (state.pressed) return {olive::kButtonPressed, olive::kButtonPressedBorder, 1};
  if (state.hot && state.enabled) return {olive::kButtonHover, olive::kButtonHoverBorder, 0};
  if (state.focused) return {kPageBackground, olive::kButtonHoverBorder, 0};
  return {kPageBackground, std::nullopt, 0};
}

Drawing DrawButton(Size size, const ButtonLook& look) {
  const Rect whole{0, 0, size.width, size.height};
  if (!look.border) return {Fill{whole, look.background}};
  Drawing drawing;
  AddFrame(drawing, whole, kLineWidth, *look.border);
  drawing.push_back(Fill{{kLineWidth, kLineWidth, std::max(0, size.width - 2 * kLineWidth),
                          std::max(0, size.height - 2 * kLineWidth)},
                         look.background});
  return drawing;
}

ButtonContent LayOutButton(Size size, int caption_height, const ButtonLook& look,
                           int (*scaled)(int)) {
  const auto pixels = [scaled](int design) { return scaled ? scaled(design) : design; };
  const int picture = pixels(kPictureSize);
  const int gap = pixels(kPictureCaptionGap);
  const int shift = look.content_shift;
  const int top = std::max(0, (size.height - picture - gap - caption_height) / 2) + shift;
  return {{(size.width - picture) / 2 + shift, top, picture, picture},
          {shift, top + picture + gap, size.width, caption_height}};
}

double Contrast(Rgb one, Rgb other) {
  const double a = Luminance(one);
  const double b = Luminance(other);
  return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

Rgb ReadableTextColour(Rgb background, Rgb preferred) {
  if (Contrast(preferred, background) >= kReadableContrast) return preferred;
  constexpr Rgb kBlack{0, 0, 0};
  constexpr Rgb kWhite{255, 255, 255};
  return Contrast(kBlack, background) >= Contrast(kWhite, background) ? kBlack : kWhite;
}

}  // namespace harnlode::form
