#include <windows.h>

#include <QImage>
#include <QPixmap>

#include "harnlode_application.h"
#include "png_icon.h"

namespace harnlode {

QIcon ProgramIcon() {
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 256}) {
    const auto handle = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, size, size, 0));
    if (!handle) continue;
    icon.addPixmap(QPixmap::fromImage(QImage::fromHICON(handle)));
    DestroyIcon(handle);
  }
  if (!icon.isNull()) return icon;
  return PngIcon(QStringLiteral(":/pictures/harnlode.png"));
}

}  // namespace harnlode
