#include "application_title.h"

namespace harnlode {

QString ApplicationTitle(const QString& executable_path) {
  // The file name is the last path component, whatever the path looks like.
  QString name = executable_path.section(u'/', -1).section(u'.', 0, 0);
  if (name.isEmpty()) return name;
  return name.left(1) + name.mid(1).toLower();
}

}  // namespace harnlode
