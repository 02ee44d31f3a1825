// The form's rule for readable text (form::ReadableTextColour) in Qt's colours: the theme's fills
// are pale, while a dark palette's text colours are light.
#pragma once

#include <QColor>

namespace harnlode {

// From 1 (not apart at all) to 21 (black and white); see form::Contrast.
double Contrast(const QColor& one, const QColor& other);

// `preferred` where it reads well on `background`, else black or white.
QColor ReadableTextColour(const QColor& background, const QColor& preferred);

}  // namespace harnlode
