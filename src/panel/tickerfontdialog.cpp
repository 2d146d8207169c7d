#include "tickerfontdialog.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <climits>
#include <cstdlib>

#include "base/guard.h"

namespace velumo {

QFont fontDialogPreset(const QFont& font)
{
    QFont preset = font;
    const QString family = QFontInfo(font).family();
    preset.setFamily(family);
    const bool slanted = font.italic();
    const int wanted = font.bold() ? QFont::Bold : QFont::Normal;
    static const QRegularExpression narrowOrWide(QStringLiteral("condensed|expanded|narrow|wide"),
                                                 QRegularExpression::CaseInsensitiveOption);
    QString best;
    int bestDistance = INT_MAX;
    for (const QString& style : QFontDatabase::styles(family)) {
        // Oblique faces are not "italic" to the database: the style of the face tells.
        const QFont face = QFontDatabase::font(family, style, 12);
        if ((face.style() != QFont::StyleNormal) != slanted)
            continue;
        const int distance = std::abs(QFontDatabase::weight(family, style) - wanted) +
                             (style.contains(narrowOrWide) ? 1000 : 0);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = style;
        }
    }
    if (!best.isEmpty())
        preset.setStyleName(best);
    return preset;
}

TickerFontDialog::TickerFontDialog(const QFont& font, const QColor& colour, QWidget* parent)
    : QDialog(parent), m_font(font), m_colour(colour)
{
    setObjectName(QStringLiteral("FontDialog1"));
    setWindowTitle(QStringLiteral("Шрифт"));
    auto* layout = new QVBoxLayout(this);
    m_fonts = new QFontDialog(fontDialogPreset(font), this);
    m_fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    m_fonts->setWindowFlags(Qt::Widget);
    layout->addWidget(m_fonts);
    m_presetShown = m_fonts->currentFont();

    auto* colourRow = new QHBoxLayout();
    colourRow->addWidget(new QLabel(QStringLiteral("Цвет:"), this));
    m_colourButton = new QPushButton(this);
    m_colourButton->setObjectName(QStringLiteral("FontColour"));
    m_colourButton->setFixedWidth(80);
    colourRow->addWidget(m_colourButton);
    colourRow->addStretch(1);
    layout->addLayout(colourRow);
    connectGuarded(m_colourButton, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("tickerfontdialog")), [this] {
                       const QColor chosen = QColorDialog::getColor(m_colour, this);
                       if (chosen.isValid()) {
                           m_colour = chosen;
                           showColour();
                       }
                   });
    showColour();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);  // plain: Qt plumbing
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);  // plain: Qt plumbing
    layout->addWidget(buttons);
}

QFont TickerFontDialog::selectedFont() const
{
    // Nothing touched: the stored font comes back as it was, even a face this machine lacks.
    const QFont shown = m_fonts->currentFont();
    if (shown == m_presetShown)
        return m_font;
    return shown;
}

void TickerFontDialog::showColour()
{
    m_colourButton->setStyleSheet(
        QStringLiteral("background-color: %1;").arg(m_colour.name(QColor::HexRgb)));
}

std::optional<std::pair<QFont, QColor>> TickerFontDialog::ask(QWidget* parent, const QFont& font,
                                                              const QColor& colour)
{
    TickerFontDialog dialog(font, colour, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return std::make_pair(dialog.selectedFont(), dialog.selectedColour());
}

}  // namespace velumo
