#include "shellcontrol.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>

#include "base/configfile.h"
#include "base/eventlog.h"
#include "base/failure.h"
#include "base/guard.h"
#include "base/notifier.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/textfile.h"
#include "ui/autostartentry.h"
#include "ui/numberfields.h"

namespace velumo {

ShellControl::ShellControl(QString folder, Settings& settings, Notifier& notifier, EventLog& log,
                           ShellWindow& window)
    : m_folder(std::move(folder)),
      m_settings(settings),
      m_notifier(notifier),
      m_log(log),
      m_window(window)
{
}

void ShellControl::loadSettingsFiles()
{
    {
        // A number field holding what cannot be a number takes its design value at once, also
        // from a file whose reading stopped half-way (that one's message follows anyway), so
        // nothing that reads it later fails on it.
        auto refuse = qScopeGuard([this] { numberfields::resetNonNumbers(m_settings, &m_log); });
        configfile::load(readFileBytes(filePath(QString::fromLatin1(configfile::kFileName)),
                                       kMaxSettingsFileBytes),
                         m_settings, &m_log);
        refuse.dismiss();
        // The file is damaged where a number was expected: the operator is told as for any
        // damage of it, and the start goes on with the design values.
        if (!numberfields::resetNonNumbers(m_settings, &m_log).isEmpty())
            m_notifier.message(QString::fromUtf8(configfile::kLoadFailedMessage));
    }
    if (m_settings.checked(key::SCCheckbox28))
        readTranslation();
    const int top = m_settings.integer(key::SCEdit94);
    const int left = m_settings.integer(key::SCEdit96);
    if (top > 0)
        m_window.move(QPoint(m_window.position().x(), top));
    if (left > 0)
        m_window.move(QPoint(left, m_window.position().y()));
}

bool ShellControl::firstStart(const Settings& settings)
{
    return strToIntDef(settings.text(key::SCEdit94), 0) <= 0 &&
           strToIntDef(settings.text(key::SCEdit96), 0) <= 0;
}

void ShellControl::readTranslation()
{
    const QString path = filePath(QString::fromLatin1(translationfile::kMainFileName));
    if (!QFileInfo::exists(path))
        return;
    QList<UiComponent> components = m_window.components();
    translationfile::read(readTextLines(path, kMaxTranslationFileBytes), components);
    m_window.applyComponents(components);
}

void ShellControl::applyClosedAccess()
{
    const std::pair<const char*, const char*> boxes[] = {
        {key::SCCheckBoxpc1, "PageControl2"},
        {key::SCCheckBoxpc2, "PageControl3"},
        {key::SCCheckBoxpc3, "PageControl4"},
        {key::SCCheckBoxpc5, "PageControl7"},
    };
    for (const auto& [box, pageSet] : boxes)
        if (m_settings.checked(QString::fromLatin1(box)))
            m_window.setPageSetVisible(QString::fromLatin1(pageSet), false);
}

void ShellControl::adminEntry()
{
    if (m_settings.text(key::SCEdit102) == m_settings.text(key::SCEdit104)) {
        for (const char* pageSet :
             {"PageControl2", "PageControl3", "PageControl4", "PageControl5", "PageControl7"})
            m_window.setPageSetVisible(QString::fromLatin1(pageSet), true);
        m_notifier.message(QStringLiteral("Доступ к настройкам открыт"));
    } else {
        m_notifier.message(QStringLiteral("Пароль неверен!"));
    }
}

void ShellControl::storePosition(const QDate& today)
{
    const QPoint at = m_window.position();
    m_settings.setText(key::SCEdit94, QString::number(at.y()));
    m_settings.setText(key::SCEdit96, QString::number(at.x()));
    m_settings.setText(key::SCEdit11, today.toString(u"dd.MM.yy"));
}

void ShellControl::saveSettingsFiles()
{
    try {
        // Each file is replaced atomically, so a failed save leaves the previous settings whole.
        const QByteArray config = configfile::save(m_settings, m_window.componentNames());
        const QStringList translation = translationfile::write(m_window.components());
        writeFileAtomic(filePath(QString::fromLatin1(configfile::kFileName)), config, 0600, true);
        writeTextLines(filePath(QString::fromLatin1(translationfile::kMainFileName)), translation);
    } catch (...) {
        m_log.write(QStringLiteral("error"), currentExceptionText());
        m_notifier.message(QString::fromUtf8(configfile::kWriteFailedMessage));
    }
}

void ShellControl::fix_startExecute(const QString& program)
{
    if (!m_notifier.confirm(
            QStringLiteral("Прописка программы в автозагрузке"),
            QStringLiteral("Вы уверенны,что программа должна запускаться из текущего "
                           "места на диске при следующей загрузке Windows?")))
        return;
    QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (configHome.isEmpty())
        configHome = QDir::homePath() + QLatin1String("/.config");
    const QString folder = configHome + QLatin1String("/autostart");
    if (!QDir().mkpath(folder))
        throw Failure(QStringLiteral("Cannot create folder \"%1\"").arg(folder));
    const QString entry = autostartentry::desktopEntry(program, m_folder);
    writeFileAtomic(folder + u'/' + QLatin1String(autostartentry::kFileName), entry.toUtf8());
    m_notifier.message(QStringLiteral(
        "Внесен пункт  меню \"Пуск\\Программы\\Автозагрузка\\Velumo\".После перезагрузки программа "
        "\"Velumo7\" стартует автоматически в режиме \"Бегущая строка\"."));
}

}  // namespace velumo
