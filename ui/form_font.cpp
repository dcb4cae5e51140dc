#include "ui/form_font.h"

#include <QFontDatabase>
#include <QStringList>

namespace {

QString formFamily() {
  static const QString family = [] {
    const QStringList installed = QFontDatabase::families();
    for (const char* name : {"Tahoma", "Noto Sans CJK SC", "Source Han Sans SC", "WenQuanYi Micro Hei",
                             "Droid Sans Fallback"})
      if (installed.contains(QLatin1String(name))) return QString::fromLatin1(name);
    return QString();
  }();
  return family;
}

}  // namespace

QFont FormFont(int pixelSize) {
  QFont font;
  const QString family = formFamily();
  if (!family.isEmpty()) font.setFamily(family);
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixelSize);
  return font;
}
