#include "readable_text.h"

#include "form_drawing.h"
#include "form_qt.h"

namespace harnlode {

double Contrast(const QColor& one, const QColor& other) {
  return form::Contrast(ToRgb(one), ToRgb(other));
}

QColor ReadableTextColour(const QColor& background, const QColor& preferred) {
  return ToQColor(form::ReadableTextColour(ToRgb(background), ToRgb(preferred)));
}

}  // namespace harnlode
