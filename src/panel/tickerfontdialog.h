#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>
#include <optional>
#include <utility>

class QFontDialog;
class QPushButton;

namespace velumo {

// The font dialog of the ticker: face, size and styles, and the colour of the letters.
class TickerFontDialog final : public QDialog {
    Q_OBJECT
public:
    TickerFontDialog(const QFont& font, const QColor& colour, QWidget* parent = nullptr);

    QFont selectedFont() const;
    QColor selectedColour() const { return m_colour; }

    // Shows the dialog preset with the font and colour; nothing when cancelled.
    static std::optional<std::pair<QFont, QColor>> ask(QWidget* parent, const QFont& font,
                                                       const QColor& colour);

private:
    void showColour();

    QFontDialog* m_fonts = nullptr;
    QPushButton* m_colourButton = nullptr;
    QColor m_colour;
};

}  // namespace velumo
