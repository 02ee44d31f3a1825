// The colours of the olive XP-like theme that the navigation panes and buttons share.
#pragma once

#include <QColor>

namespace harnlode::olive {

inline const QColor kFrame{0x73, 0x8A, 0x56};
inline const QColor kSplitterTop{0xD8, 0xE1, 0xBC};
inline const QColor kSplitterBottom{0xA7, 0xB9, 0x80};
inline const QColor kGripLight{0xF4, 0xF7, 0xE8};
inline const QColor kGripDark{0x6B, 0x80, 0x4E};
inline const QColor kStripTop{0xF3, 0xF5, 0xE6};
inline const QColor kStripBottom{0xC9, 0xD4, 0xA9};
inline const QColor kSelectedTop{0xF7, 0xB2, 0x5A};
inline const QColor kSelectedBottom{0xFB, 0xD9, 0x98};
inline const QColor kSelectedBorder{0x8C, 0x6A, 0x2E};

inline const QColor kButtonHover{0xEC, 0xF1, 0xD8};
inline const QColor kButtonHoverBorder{0x86, 0x9C, 0x5C};
inline const QColor kButtonPressed{0xD2, 0xDD, 0xAE};
inline const QColor kButtonPressedBorder{0x5E, 0x74, 0x3E};

}  // namespace harnlode::olive
