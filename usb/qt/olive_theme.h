// The olive theme's colours (form::olive) as the Qt colours that the panes and buttons paint with.
#pragma once

#include <QColor>

#include "form_qt.h"

namespace harnlode::olive {

inline const QColor kFrame = ToQColor(form::olive::kFrame);
inline const QColor kSplitterTop = ToQColor(form::olive::kSplitterTop);
inline const QColor kSplitterBottom = ToQColor(form::olive::kSplitterBottom);
inline const QColor kGripLight = ToQColor(form::olive::kGripLight);
inline const QColor kGripDark = ToQColor(form::olive::kGripDark);
inline const QColor kStripTop = ToQColor(form::olive::kStripTop);
inline const QColor kStripBottom = ToQColor(form::olive::kStripBottom);
inline const QColor kSelectedTop = ToQColor(form::olive::kSelectedTop);
inline const QColor kSelectedBottom = ToQColor(form::olive::kSelectedBottom);
inline const QColor kSelectedBorder = ToQColor(form::olive::kSelectedBorder);

inline const QColor kButtonHover = ToQColor(form::olive::kButtonHover);
inline const QColor kButtonHoverBorder = ToQColor(form::olive::kButtonHoverBorder);
inline const QColor kButtonPressed = ToQColor(form::olive::kButtonPressed);
inline const QColor kButtonPressedBorder = ToQColor(form::olive::kButtonPressedBorder);

}  // namespace harnlode::olive
