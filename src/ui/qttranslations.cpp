#include "qttranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace velumo {

bool installQtTranslations(QCoreApplication& app, const QString& language)
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    bool any = false;
    // "qt" gathers the catalogues of the Qt modules (base, multimedia...); the web engine's
    // stands apart.
    for (const QString& catalogue : {QStringLiteral("qt_"), QStringLiteral("qtwebengine_")}) {
        auto* translator = new QTranslator(&app);
        if (translator->load(catalogue + language, folder) &&
            QCoreApplication::installTranslator(translator)) {
            any = true;
        } else {
            delete translator;
        }
    }
    return any;
}

}  // namespace velumo
