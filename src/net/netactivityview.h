#pragma once

#include <QObject>

class QGroupBox;
class QLabel;
class QProgressBar;
class QVBoxLayout;

namespace velumo {

struct NetActivity;

// Shows a network run on its page (a line and a progress bar in a group) and, while the run is
// active, a short line in the main window's footer.
class NetActivityView final : public QObject {
    Q_OBJECT
public:
    // name prefixes the objectNames of the widgets: nameText, nameProgress, nameFooter.
    NetActivityView(QGroupBox& box, QVBoxLayout& footer, const QString& name);

    void show(const NetActivity& activity);

private:
    QLabel* m_text;
    QProgressBar* m_progress;
    QLabel* m_footer;
};

}  // namespace velumo
