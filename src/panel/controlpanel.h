#pragma once

#include <QHash>
#include <QWidget>

class QGroupBox;
class QVBoxLayout;

namespace velumo {

// The operator's floating control panel. Subsystems put their controls into named sections
// (group boxes stacked in the panel); the panel itself only lays them out.
class ControlPanel : public QWidget {
    Q_OBJECT
public:
    explicit ControlPanel(QWidget* parent = nullptr);

    // The group box of a section, created on first use with the caption; its layout is a
    // QVBoxLayout. name becomes the box's objectName ("GroupBox5").
    QGroupBox* section(const QString& name, const QString& caption);

private:
    QVBoxLayout* m_layout = nullptr;
    QHash<QString, QGroupBox*> m_sections;
};

}  // namespace velumo
