#pragma once

#include <QObject>
#include <QString>

namespace velumo {

// A file dialog of a window: its filter and title are translatable texts.
class DialogSpec final : public QObject {
    Q_OBJECT
public:
    DialogSpec(const QString& name, QString filter, QString title, QObject* parent)
        : QObject(parent), filter(std::move(filter)), title(std::move(title))
    {
        setObjectName(name);
    }

    // The filter as a Qt name filter: "Строковые файлы(str)|*.str|Все|*.*" becomes
    // "Строковые файлы(str) (*.str);;Все (*.*)".
    QString qtFilter() const;

    QString filter;
    QString title;
    QString defaultSuffix;
};

}  // namespace velumo
