#include "tickerfontdialog.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velumo {

TickerFontDialog::TickerFontDialog(const QFont& font, const QColor& colour, QWidget* parent)
    : QDialog(parent), m_colour(colour)
{
    setObjectName(QStringLiteral("FontDialog1"));
    setWindowTitle(QStringLiteral("Шрифт"));
    auto* layout = new QVBoxLayout(this);
    m_fonts = new QFontDialog(font, this);
    m_fonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    m_fonts->setWindowFlags(Qt::Widget);
    layout->addWidget(m_fonts);

    auto* colourRow = new QHBoxLayout();
    colourRow->addWidget(new QLabel(QStringLiteral("Цвет:"), this));
    m_colourButton = new QPushButton(this);
    m_colourButton->setObjectName(QStringLiteral("FontColour"));
    m_colourButton->setFixedWidth(80);
    colourRow->addWidget(m_colourButton);
    colourRow->addStretch(1);
    layout->addLayout(colourRow);
    connect(m_colourButton, &QPushButton::clicked, this, [this] {
        const QColor chosen = QColorDialog::getColor(m_colour, this);
        if (chosen.isValid()) {
            m_colour = chosen;
            showColour();
        }
    });
    showColour();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QFont TickerFontDialog::selectedFont() const
{
    return m_fonts->currentFont();
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
