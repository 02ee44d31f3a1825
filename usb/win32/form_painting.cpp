#include "form_painting.h"

#include <cstdint>

#include "colours.h"

namespace harnlode::win32 {
namespace {

RECT ToRect(const form::Rect& rect, POINT origin) {
  const LONG left = origin.x + rect.left;
  const LONG top = origin.y + rect.top;
  return {left, top, left + rect.width, top + rect.height};
}

// One colour a row.
void FillTopToBottom(HDC dc, const RECT& area, form::Rgb top, form::Rgb bottom) {
  const int rows = area.bottom - area.top;
  for (int row = 0; row < rows; ++row) {
    const auto mix = [&](std::uint8_t from, std::uint8_t to) {
      return static_cast<BYTE>(rows > 1 ? from + (to - from) * row / (rows - 1) : from);
    };
    Fill(dc, {area.left, area.top + row, area.right, area.top + row + 1},
         RGB(mix(top.red, bottom.red), mix(top.green, bottom.green), mix(top.blue, bottom.blue)));
  }
}

}  // namespace

COLORREF Colour(const form::Paint& paint) {
  if (const auto* system = std::get_if<form::SystemColour>(&paint)) return Colour(*system);
  return Colour(std::get<form::Rgb>(paint));
}

form::Rgb ToRgb(COLORREF colour) {
  return {GetRValue(colour), GetGValue(colour), GetBValue(colour)};
}

void PaintDrawing(HDC dc, const form::Drawing& drawing, POINT origin) {
  for (const form::Shape& shape : drawing) {
    if (const auto* fill = std::get_if<form::Fill>(&shape)) {
      Fill(dc, ToRect(fill->area, origin), Colour(fill->colour));
      continue;
    }
    const auto& blend = std::get<form::TopToBottom>(shape);
    FillTopToBottom(dc, ToRect(blend.area, origin), blend.top, blend.bottom);
  }
}

}  // namespace harnlode::win32
