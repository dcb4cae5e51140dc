#include "ui/qt_translations.h"

#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace ui {

QStringList qtTranslationNames(const QStringList& uiLanguages) {
  for (QString language : uiLanguages) {
    language.replace(QLatin1Char('-'), QLatin1Char('_'));
    if (!language.startsWith(QLatin1String("zh"), Qt::CaseInsensitive)) continue;
    const bool traditional = language.contains(QLatin1String("Hant"), Qt::CaseInsensitive) ||
                             language.contains(QLatin1String("_TW"), Qt::CaseInsensitive) ||
                             language.contains(QLatin1String("_HK"), Qt::CaseInsensitive) ||
                             language.contains(QLatin1String("_MO"), Qt::CaseInsensitive);
    if (traditional) return {QStringLiteral("qtbase_zh_TW"), QStringLiteral("qtbase_zh_CN")};
    break;
  }
  return {QStringLiteral("qtbase_zh_CN")};
}

bool installQtTranslations(QCoreApplication& app, const QString& programFolder) {
  QStringList folders{QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
  if (!programFolder.isEmpty()) folders << QDir(programFolder).filePath(QStringLiteral("translations"));
  for (const QString& name : qtTranslationNames(QLocale::system().uiLanguages())) {
    for (const QString& folder : folders) {
      auto translator = std::make_unique<QTranslator>(&app);
      if (!translator->load(name, folder)) continue;
      // Owned by the application object from here.
      app.installTranslator(translator.release());
      return true;
    }
  }
  return false;
}

}  // namespace ui
