#pragma once

#include <QLabel>
#include <QPointer>

namespace velumo {

class FailureFeed;
class FailureListDialog;

// The line under the main window's pages and under the panel that tells the last failure
// nobody asked for ("14:02:07 Нет устройства видеозахвата…"), in red; a click opens the list of
// today's failures. Empty while there is none.
class StatusLine final : public QLabel {
    Q_OBJECT
public:
    StatusLine(FailureFeed& feed, QWidget* parent);

    // The list window, while it is open.
    QWidget* listWindow() const;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void refresh();

    FailureFeed& m_feed;
    QPointer<FailureListDialog> m_list;
};

}  // namespace velumo
