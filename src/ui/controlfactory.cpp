#include "controlfactory.h"

#include <algorithm>
#include <limits>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QSpinBox>

#include "base/controlspec.h"
#include "base/guard.h"
#include "fieldlook.h"
#include "typingfilter.h"

namespace velumo {

namespace {

// An eye, struck through while the text is hidden.
QIcon revealIcon(bool shown, const QColor& colour)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour, 2.5));
    QPainterPath eye;
    eye.moveTo(3, 16);
    eye.quadTo(16, 3, 29, 16);
    eye.quadTo(16, 29, 3, 16);
    painter.drawPath(eye);
    painter.setBrush(colour);
    painter.drawEllipse(QPointF(16, 16), 4.5, 4.5);
    if (!shown)
        painter.drawLine(QPointF(6, 27), QPointF(26, 5));
    painter.end();
    return QIcon(pixmap);
}

// The field shows dots; a toggle at its end shows the text while it is checked.
void makeSecret(QLineEdit* edit)
{
    edit->setEchoMode(QLineEdit::Password);
    const QColor colour = edit->palette().color(QPalette::Text);
    auto* reveal = edit->addAction(revealIcon(false, colour), QLineEdit::TrailingPosition);
    reveal->setObjectName(edit->objectName() + QStringLiteral("Reveal"));
    reveal->setCheckable(true);
    reveal->setToolTip(QStringLiteral("Показать"));
    connectGuarded(
        reveal, &QAction::toggled, edit, Origin::byOperator(QStringLiteral("settingswindow")),
        [edit, reveal, colour](bool shown) {
            edit->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
            reveal->setIcon(revealIcon(shown, colour));
            reveal->setToolTip(shown ? QStringLiteral("Скрыть") : QStringLiteral("Показать"));
        });
}

// Width of a line edit that shows chars characters.
int editWidth(const QLineEdit* edit, int chars)
{
    const QFontMetrics metrics = edit->fontMetrics();
    // The edit's own size hint is 17 "x" wide plus its frame and margins.
    const int frame = edit->sizeHint().width() - 17 * metrics.horizontalAdvance(u'x');
    // One character more than asked for: the cursor and digits wider than the average.
    const int charWidth = std::max(metrics.averageCharWidth(), metrics.horizontalAdvance(u'0'));
    int width = frame + (chars + 1) * charWidth;
    for (const QAction* action : edit->actions())
        if (action->isVisible())
            width += metrics.height() + 8;
    return width;
}

}  // namespace

QWidget* ControlFactory::create(const ControlSpec& entry, QWidget* parent)
{
    const QString name = QString::fromLatin1(entry.name);
    const FieldLook look = fieldLook(entry);
    QWidget* widget = nullptr;
    switch (entry.kind) {
        case ControlKind::Text: {
            auto* edit = new QLineEdit(parent);
            edit->setObjectName(name);
            TypingFilter::install(edit, entry.filter);
            if (look.secret)
                makeSecret(edit);
            // A field is as wide as what it holds: numbers and times stay narrow.
            if (look.widthChars > 0)
                edit->setMaximumWidth(editWidth(edit, look.widthChars));
            edit->setReadOnly(look.counter);
            widget = edit;
            break;
        }
        case ControlKind::Spin: {
            auto* spin = new QSpinBox(parent);
            spin->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
            if (!look.unit.isEmpty())
                spin->setSuffix(u' ' + look.unit);
            if (entry.minimum < entry.maximum)
                spin->setRange(entry.minimum, entry.maximum);
            else
                // No limits of its own: the widget must show every integer the store holds.
                spin->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
            widget = spin;
            break;
        }
        case ControlKind::Check:
            widget = new QCheckBox(QString::fromUtf8(entry.caption), parent);
            break;
        case ControlKind::Combo: {
            auto* combo = new QComboBox(parent);
            const QString items = QString::fromUtf8(entry.items);
            if (!items.isEmpty())
                combo->addItems(items.split(u'\n'));
            widget = combo;
            break;
        }
    }
    widget->setObjectName(name);
    widget->setToolTip(QString::fromUtf8(entry.hint));
    return widget;
}

}  // namespace velumo
