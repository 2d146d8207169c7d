#pragma once

#include <QJsonObject>
#include <QWidget>
#include <functional>
#include <memory>

class QLabel;
class QLineEdit;

namespace velumo {

class SettingsWindow;
class Timer;
class TimerFactory;

namespace fleet {
class FleetLink;
}

// The page "Интернет > Центр": the fleet link's state (the status member "fleet") and the
// fields of fleet.ini, saved with a button. The file is checked and written in src/fleet; a
// saved file takes effect at the program's next start.
class CentrePage final : public QWidget {
public:
    // status: the status member "fleet", empty without fleet.ini; link: the running link or null.
    CentrePage(SettingsWindow& window, QString programFolder, TimerFactory& timers,
               std::function<QJsonObject()> status, fleet::FleetLink* link);
    ~CentrePage() override;

    static constexpr int kRefreshMs = 3000;
    static constexpr char kPath[] = "Интернет > Центр";

    // Fills the fields from fleet.ini.
    void load();
    // Checks and writes the fields; the result shows under the button. True when written.
    bool save();
    void refresh();

    QString stateText() const;
    QString savedText() const;

private:
    QLineEdit* field(const char* name) const;

    QString m_folder;
    std::function<QJsonObject()> m_status;
    std::unique_ptr<Timer> m_refresh;
    QLabel* m_state = nullptr;
    QLabel* m_saved = nullptr;
};

}  // namespace velumo
