// Text colours that stay readable whatever the desktop's palette: the theme's fills are pale,
// while a dark palette's text colours are light.
#pragma once

#include <QColor>

namespace harnlode {

// How far two colours stand apart, from 1 (not at all) to 21 (black and white), as the ratio of
// their relative luminances.
double Contrast(const QColor& one, const QColor& other);

// The colour to write text in on `background`: `preferred`, the desktop's, where it stands out from
// the background enough to read, else black or white, whichever stands out more.
QColor ReadableTextColour(const QColor& background, const QColor& preferred);

}  // namespace harnlode
