#include "statusline.h"

#include <QDialog>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "base/failurefeed.h"
#include "base/guard.h"

namespace velumo {

// Today's failures, newest last, following the feed while it is open.
class FailureListDialog final : public QDialog {
public:
    FailureListDialog(FailureFeed& feed, QWidget* parent) : QDialog(parent), m_feed(feed)
    {
        setObjectName(QStringLiteral("FailureList"));
        setWindowTitle(QStringLiteral("Сбои за сегодня"));
        setAttribute(Qt::WA_DeleteOnClose);
        m_text = new QPlainTextEdit(this);
        m_text->setReadOnly(true);
        m_text->setObjectName(QStringLiteral("FailureListText"));
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(m_text);
        resize(640, 360);
        fill();
        const Origin origin = Origin::unattended(QStringLiteral("statusline"));
        connectGuarded(&m_feed, &FailureFeed::added, this, origin, [this] { fill(); });
        connectGuarded(&m_feed, &FailureFeed::cleared, this, origin, [this] { fill(); });
    }

private:
    void fill()
    {
        QStringList lines;
        for (const FailureFeed::Entry& entry : m_feed.today())
            lines.append(FailureFeed::lineText(entry));
        m_text->setPlainText(lines.isEmpty() ? QStringLiteral("Сбоев нет.") : lines.join(u'\n'));
        m_text->moveCursor(QTextCursor::End);
    }

    FailureFeed& m_feed;
    QPlainTextEdit* m_text = nullptr;
};

StatusLine::StatusLine(FailureFeed& feed, QWidget* parent) : QLabel(parent), m_feed(feed)
{
    setObjectName(QStringLiteral("StatusLine"));
    setStyleSheet(QStringLiteral("color: #c00000;"));
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("Сбои за сегодня: нажмите, чтобы открыть список"));
    // A long text must not widen the window.
    setMinimumWidth(0);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    refresh();
    const Origin origin = Origin::unattended(QStringLiteral("statusline"));
    connectGuarded(&m_feed, &FailureFeed::added, this, origin, [this] { refresh(); });
    connectGuarded(&m_feed, &FailureFeed::cleared, this, origin, [this] { refresh(); });
}

QWidget* StatusLine::listWindow() const
{
    return m_list.data();
}

void StatusLine::refresh()
{
    const std::optional<FailureFeed::Entry> last = m_feed.last();
    setText(last ? FailureFeed::lineText(*last) : QString());
    setVisible(last.has_value());
}

void StatusLine::mouseReleaseEvent(QMouseEvent* event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    if (!m_list)
        m_list = new FailureListDialog(m_feed, window());
    m_list->show();
    m_list->raise();
}

}  // namespace velumo
