// A failure message as the error box shows it: with a period added when it is not empty and its
// last character's code is above that of "." (46), so that a message ending in a letter, digit,
// "?" or ":" gets one and one ending in ".", "!", ")" or a quote mark does not.
#pragma once

#include <QString>

namespace harnlode {

QString WithClosingPeriod(const QString& message);

}  // namespace harnlode
