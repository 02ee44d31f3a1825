#include "harnlode_application.h"
#include "png_icon.h"

namespace harnlode {

QIcon ProgramIcon() { return PngIcon(QStringLiteral(":/pictures/harnlode.png")); }

}  // namespace harnlode
