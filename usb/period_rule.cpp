#include "period_rule.h"

namespace harnlode {

QString WithClosingPeriod(const QString& message) {
  if (!message.isEmpty() && message.back().unicode() > u'.') return message + u'.';
  return message;
}

}  // namespace harnlode
