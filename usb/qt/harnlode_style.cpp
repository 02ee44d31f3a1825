#include "harnlode_style.h"

namespace harnlode {

int HarnlodeStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                             QStyleHintReturn* return_data) const {
  if (hint == SH_ToolTip_WakeUpDelay) return kToolTipWakeUpDelay;
  return QProxyStyle::styleHint(hint, option, widget, return_data);
}

}  // namespace harnlode
