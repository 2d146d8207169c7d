#pragma once

#include <QObject>

#include <QString>
#include "ticker/blockedits.h"

class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace velumo {

class DialogSpec;
class SettingsWindow;
class TickerBlock;

// The ticker text page: the three block lists side by side (index, tariff, text), the open
// and save buttons and the progress bar. The lists show the block and hand edits back to it.
class TickerTextPage final : public QObject, public BlockEdits {
    Q_OBJECT
public:
    TickerTextPage(SettingsWindow& window, TickerBlock& block, QString initialFolder);

    static constexpr char kPage[] = "Бегущая строка";

    QPlainTextEdit* textList() const { return m_text; }
    void setInitialFolder(const QString& folder) { m_folder = folder; }
    void setProgress(qsizetype position, qsizetype maximum);
    // Pending edits of the lists reach the block now.
    void flushEdits() override;

signals:
    void openChosen(const QString& path);
    void saveChosen(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showBlock();
    void chooseOpen();
    void chooseSave();

    SettingsWindow& m_window;
    TickerBlock& m_block;
    QString m_folder;
    QPlainTextEdit* m_index = nullptr;
    QPlainTextEdit* m_tariff = nullptr;
    QPlainTextEdit* m_text = nullptr;
    QProgressBar* m_progress = nullptr;
    DialogSpec* m_openDialog = nullptr;
    DialogSpec* m_saveDialog = nullptr;
    QTimer* m_editDelay = nullptr;
    bool m_showing = false;
    bool m_stale = false;   // the block changed while the lists were not on screen
    bool m_edited = false;  // the operator changed a list since the block was shown
};

}  // namespace velumo
