#pragma once

#include <QString>

class QCoreApplication;

namespace velumo {

// Qt's own texts (standard dialogs, message-box buttons, context menus) in the operator's
// language, from the translations installed with Qt. False when none could be found; the
// program then goes on with Qt's English texts.
bool installQtTranslations(QCoreApplication& app, const QString& language = QStringLiteral("ru"));

}  // namespace velumo
