#include "png_icon.h"

#include <QImage>
#include <QImageReader>
#include <QPixmap>

namespace harnlode {

QIcon PngIcon(const QString& path) {
  QImageReader reader(path, "png");
  reader.setAutoDetectImageFormat(false);
  const QImage image = reader.read();
  return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

}  // namespace harnlode
