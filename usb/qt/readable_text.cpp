#include "readable_text.h"

#include <algorithm>
#include <cmath>

namespace harnlode {
namespace {

// The relative luminance of an sRGB colour, 0 for black to 1 for white.
double Luminance(const QColor& colour) {
  const auto linear = [](double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
         0.0722 * linear(colour.blueF());
}

// The contrast that ordinary text needs to be read with ease.
constexpr double kReadableContrast = 4.5;

}  // namespace

double Contrast(const QColor& one, const QColor& other) {
  const double a = Luminance(one);
  const double b = Luminance(other);
  return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor ReadableTextColour(const QColor& background, const QColor& preferred) {
  if (Contrast(preferred, background) >= kReadableContrast) return preferred;
  const QColor black(Qt::black);
  const QColor white(Qt::white);
  return Contrast(black, background) >= Contrast(white, background) ? black : white;
}

}  // namespace harnlode
