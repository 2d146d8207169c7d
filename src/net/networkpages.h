#pragma once

#include <QObject>

class QLabel;
class QListWidget;

namespace velumo {

class DialUp;
class FtpExchange;
class NetActivityView;
class Notifier;
class Operations;
class Settings;
class SettingsWindow;

// The buttons and lists of the FTP sub-pages ("Прием", "Передача"); they forward clicks to the
// exchange and the dial-up layer.
class NetworkPages final : public QObject {
    Q_OBJECT
public:
    // The save buttons of both sub-pages (SCButton24, SCButton107) run the "save" operation.
    NetworkPages(SettingsWindow& window, Settings& settings, Notifier& notifier,
                 Operations& operations, FtpExchange& exchange, DialUp& dialUp);

private:
    void build();
    void connectButton(const char* group, const char* name, const QString& caption,
                       const QString& hint, std::function<void()> action);
    void connectBox(const char* name, std::function<void()> action);
    void chooseFolder();
    void chooseUpload();

    SettingsWindow& m_window;
    Settings& m_settings;
    Notifier& m_notifier;
    Operations& m_operations;
    FtpExchange& m_exchange;
    DialUp& m_dialUp;
    QListWidget* m_lbList = nullptr;
    QListWidget* m_lbList2 = nullptr;
    QListWidget* m_listBox[2] = {nullptr, nullptr};
    QLabel* m_status[2] = {nullptr, nullptr};
    NetActivityView* m_activity[2] = {nullptr, nullptr};
};

}  // namespace velumo
