#pragma once

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QStringList>

namespace velumo {

class Notifier;

// The planner: the list of schedule lines being edited (Memo3), added one at a time from the
// entry line, opened from and saved to plan files, moved to another day by replacing dates.
// It does not drive the dispatcher: a saved list becomes active when it is chosen as the plan
// file.
class Planner final : public QObject {
    Q_OBJECT
public:
    explicit Planner(Notifier& notifier, QObject* parent = nullptr);

    const QStringList& Memo3() const { return m_lines; }
    void setMemo3(const QStringList& lines);

    // BitBtn43Click: checks the entry's start (17 characters) and stop (17 characters from
    // position 25) and appends the text unchanged. A date that does not convert throws Failure
    // and the list stays as it is.
    void BitBtn43Click(const QString& entryText, const QDateTime& now);
    // BitBtn44Click with the chosen file: its lines replace the list. Throws Failure.
    void openPlanFile(const QString& path);
    // SCButton53Click with the chosen file: an existing file is replaced only after a Yes to
    // "Заменить существующий файл ?"; No shows "План-файл не создан!". Returns whether the file
    // was written. A write failure throws Failure.
    bool savePlanFile(const QString& path);
    // SCButton20Click: every line holding the old date gets the new date as start and stop date;
    // times, content code and stop mode stay, the comment is dropped.
    void SCButton20Click(const QDate& oldDate, const QDate& newDate);

    // "DD.MM.YY".
    static QString dateText(const QDate& date);
    // The entry line at start-up: D 17:00:30|k1|00|D 17:00:30|имя файла.
    static QString startupSample(const QDate& date);
    // DateTimePicker4CloseUp: D 17:00:00|k1|00|D 17:00:30.
    static QString prefill(const QDate& date);
    // The proposed save name: "pz" and the day, month and two-digit year ("pz131010").
    static QString proposedFileName(const QDate& date);
    // One line after the date replacement (unchanged when it does not hold the old date).
    static QString replaceDates(const QString& line, const QString& oldText,
                                const QString& newText);

signals:
    void changed();

private:
    Notifier& m_notifier;
    QStringList m_lines;
};

}  // namespace velumo
