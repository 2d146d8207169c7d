#include "netactivityview.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include "net/netactivity.h"

namespace velumo {

NetActivityView::NetActivityView(QGroupBox& box, QVBoxLayout& footer, const QString& name)
    : QObject(&box),
      m_text(new QLabel(&box)),
      m_progress(new QProgressBar(&box)),
      m_footer(new QLabel(footer.parentWidget()))
{
    m_text->setObjectName(name + QLatin1String("Text"));
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_progress->setObjectName(name + QLatin1String("Progress"));
    m_progress->setRange(0, 100);
    m_progress->setFormat(QStringLiteral("%p %"));
    m_footer->setObjectName(name + QLatin1String("Footer"));
    auto* form = static_cast<QFormLayout*>(box.layout());
    form->addRow(m_text);
    form->addRow(m_progress);
    footer.addWidget(m_footer);
    m_text->hide();
    m_progress->hide();
    m_footer->hide();
}

void NetActivityView::show(const NetActivity& activity)
{
    const QString text = activity.pageText();
    m_text->setText(text);
    m_text->setVisible(!text.isEmpty());
    m_text->setToolTip(activity.phase == NetActivity::Phase::Transferring && activity.total >= 0
                           ? QStringLiteral("%1 из %2 байт").arg(activity.bytes).arg(activity.total)
                           : QString());

    if (activity.active()) {
        const int percent =
            activity.phase == NetActivity::Phase::Transferring ? activity.percent() : -1;
        if (percent < 0) {
            m_progress->setRange(0, 0);  // busy, how long is not known
        } else {
            m_progress->setRange(0, 100);
            m_progress->setValue(percent);
        }
    }
    m_progress->setVisible(activity.active());

    const QString line = activity.footerText();
    m_footer->setText(line);
    m_footer->setVisible(!line.isEmpty());
}

}  // namespace velumo
