// The form's description (usb_form.h) in Qt's terms.
#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QRect>
#include <QString>
#include <string_view>
#include <variant>

#include "form_drawing.h"
#include "usb_form.h"

namespace harnlode {

inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline QColor ToQColor(form::Rgb rgb) { return QColor(rgb.red, rgb.green, rgb.blue); }

inline QRect ToQRect(form::Rect rect) { return {rect.left, rect.top, rect.width, rect.height}; }

inline QSize ToQSize(form::Size size) { return {size.width, size.height}; }

inline QPalette::ColorRole ToColorRole(form::SystemColour colour) {
  switch (colour) {
    case form::SystemColour::ButtonFace:
      return QPalette::Button;
    case form::SystemColour::Window:
      return QPalette::Base;
    case form::SystemColour::ButtonText:
      return QPalette::ButtonText;
  }
  return QPalette::Button;
}

// A theme colour as it is, a desktop colour as the palette has it.
inline QColor ToQColor(const form::Paint& paint, const QPalette& palette) {
  if (const auto* system = std::get_if<form::SystemColour>(&paint)) {
    return palette.color(ToColorRole(*system));
  }
  return ToQColor(std::get<form::Rgb>(paint));
}

inline form::Rgb ToRgb(const QColor& colour) {
  return {static_cast<std::uint8_t>(colour.red()), static_cast<std::uint8_t>(colour.green()),
          static_cast<std::uint8_t>(colour.blue())};
}

// The face at the font's point size; a regular font leaves its weight to be inherited.
inline QFont ToQFont(const form::Font& font) {
  QFont qt_font;
  qt_font.setFamilies({ToQString(font.face)});
  qt_font.setPointSize(font.points);
  if (font.bold) qt_font.setBold(true);
  return qt_font;
}

}  // namespace harnlode
