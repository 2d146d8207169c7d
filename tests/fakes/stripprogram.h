#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <functional>
#include <memory>

#include "base/configfile.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "fakes/programrun.h"
#include "fakes/testsupport.h"
#include "fakes/virtualscreen.h"

namespace velumo::test {

// A bench's check that it knows the build and source folders; says what to set when not.
inline bool buildFoldersSet()
{
    if (!qEnvironmentVariableIsEmpty("VELUMO_BUILD_DIR") &&
        !qEnvironmentVariableIsEmpty("VELUMO_SOURCE_DIR"))
        return true;
    std::fprintf(stderr, "set VELUMO_BUILD_DIR and VELUMO_SOURCE_DIR\n");
    return false;
}

// The whole program on its own X screen with one long announcement running in the strip: the
// strip is never empty (a still strip would count as a gap) and the announcement leaves it
// seldom. What the benches of the strip's repaint gaps start from.
class StripProgram {
public:
    // Starts the screen on the first free display of [firstDisplay, lastDisplay] and the
    // program on a scratch folder; `prepare` writes what else the run needs into the folder
    // before the start. False, with the reason in why(), when either does not come up.
    bool start(int firstDisplay, int lastDisplay,
               const std::function<void(const QString& folder)>& prepare = {})
    {
        if (!m_screen.start(firstDisplay, lastDisplay, &m_why))
            return false;
        const QString block = m_dir.filePath("news.str");
        writeAll(block, cp1251(QStringLiteral("^7\r\n~0\r\n0") +
                               QStringLiteral("Эфир: новости, погода и объявления. ").repeated(12) +
                               QStringLiteral("\r\n")));
        Settings settings;
        settings.setText(key::SCEdit5, block);
        settings.setSpin(key::SpinEdit1, 1);
        settings.setSpin(key::SpinEdit2, 4);
        writeAll(m_dir.filePath("velumo.cfg"), configfile::save(settings));
        if (prepare)
            prepare(m_dir.path());

        m_program = std::make_unique<Program>(m_dir.path());
        if (!m_program->launch({}, m_screen.environment()) || !m_program->waitReady(60000)) {
            m_why = QStringLiteral("the program did not come up");
            return false;
        }
        m_program->send("block load " + block);
        m_program->send("ticker start");
        QThread::sleep(3);
        return true;
    }

    // Starts the screen sampler (tests/app/screen_sampler) over the strip for `seconds`: it
    // prints the strip's repaint gaps as the screen shows them when it ends.
    void startSampler(QProcess& sampler, int seconds) const
    {
        sampler.setProcessEnvironment(m_screen.environment());
        sampler.start(qEnvironmentVariable("VELUMO_BUILD_DIR") + "/tests/app/screen_sampler",
                      {"--gaps", QString::number(seconds)});
        sampler.waitForStarted(5000);
    }

    Program& program() { return *m_program; }
    QString folder() const { return m_dir.path(); }
    QProcessEnvironment environment() const { return m_screen.environment(); }
    const QString& why() const { return m_why; }

private:
    VirtualScreen m_screen;
    QTemporaryDir m_dir;
    std::unique_ptr<Program> m_program;
    QString m_why;
};

}  // namespace velumo::test
