// The window's pictures: PNG files among the program's resources.
#pragma once

#include <QIcon>
#include <QString>

namespace harnlode {

// Reads the PNG picture at `path` with Qt's own PNG reader. Told the format, Qt need not load
// every image-format plugin to ask each whether it reads the file, which would cost the window's
// start-up more than reading all its pictures. A missing or unreadable picture gives a null icon.
QIcon PngIcon(const QString& path);

}  // namespace harnlode
