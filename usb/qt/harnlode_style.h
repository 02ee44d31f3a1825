// The application's style: the platform's own, with tooltips that wake up after 500 ms.
#pragma once

#include <QProxyStyle>

#include "usb_form.h"

namespace harnlode {

class HarnlodeStyle : public QProxyStyle {
  Q_OBJECT
 public:
  static constexpr int kToolTipWakeUpDelay = form::kToolTipWakeUpMilliseconds;

  using QProxyStyle::QProxyStyle;

  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* return_data) const override;
};

}  // namespace harnlode
