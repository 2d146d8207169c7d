#pragma once

#include <QColor>
#include <QDialog>
#include <QFont>
#include <optional>
#include <utility>

class QFontDialog;
class QPushButton;

namespace velumo {

// The face a font dialog can show for the font, with the face's own name of its style (the
// dialog matches styles by name; "Normal" is not a name most faces have, and an unmatched
// name preselects whatever style comes first, Oblique for instance).
QFont fontDialogPreset(const QFont& font);

// The font dialog of the ticker: face, size and styles, and the colour of the letters.
class TickerFontDialog final : public QDialog {
    Q_OBJECT
public:
    TickerFontDialog(const QFont& font, const QColor& colour, QWidget* parent = nullptr);

    // The font as chosen; the font it opened on when nothing in it was changed.
    QFont selectedFont() const;
    QColor selectedColour() const { return m_colour; }

    // Shows the dialog preset with the font and colour; nothing when cancelled.
    static std::optional<std::pair<QFont, QColor>> ask(QWidget* parent, const QFont& font,
                                                       const QColor& colour);

private:
    void showColour();

    QFontDialog* m_fonts = nullptr;
    QPushButton* m_colourButton = nullptr;
    QFont m_font;
    QFont m_presetShown;
    QColor m_colour;
};

}  // namespace velumo
