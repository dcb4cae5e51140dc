// Qt's own texts (the buttons and messages of its dialogs) in Chinese, as
// the whole window is.
#pragma once

#include <QStringList>

class QCoreApplication;

namespace ui {

// Installs Qt's translation for the user's Chinese locale (Traditional for
// zh_TW, zh_HK and zh_MO), and for every other locale the Simplified one.
// Looks in Qt's translations folder (qt.conf may move it) and in a
// "translations" folder beside the program. False when none was found;
// the dialogs then stay in English. GUI thread, once, after the
// application object exists.
bool installQtTranslations(QCoreApplication& app, const QString& programFolder = {});

// The translation names tried, best first, for the given UI languages.
QStringList qtTranslationNames(const QStringList& uiLanguages);

}  // namespace ui
