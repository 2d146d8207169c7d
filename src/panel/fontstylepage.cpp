#include "fontstylepage.h"

#include <QColorDialog>
#include <QFontDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QWidget>

#include "base/controlspec.h"
#include "base/guard.h"
#include "base/notifier.h"
#include "base/settings.h"
#include "base/settingskeys.h"
#include "base/wincolor.h"
#include "panel/clockticker.h"
#include "panel/fontchoice.h"
#include "panel/tickerfontdialog.h"
#include "ticker/tickerfont.h"
#include "ui/clickfilter.h"
#include "ui/settingswindow.h"

namespace velumo {

namespace {

// The group a setting stands in, as the schema places it.
const char* groupOf(const char* name)
{
    const ControlSpec* entry = findControl(name);
    return entry ? entry->group : "";
}

}  // namespace

FontStylePage::FontStylePage(SettingsWindow& window, Settings& settings, Notifier& notifier,
                             ClockTicker& clock, QWidget* textList)
    : QObject(&window),
      m_window(window),
      m_settings(settings),
      m_notifier(notifier),
      m_clock(clock),
      m_textList(textList)
{
    const char* fontGroup = groupOf(key::SCEdit6);
    m_fontButton =
        m_window.addButton(fontGroup, QStringLiteral("SCButton7"), QStringLiteral("Выбор шрифта"),
                           QStringLiteral("Выбор шрифта"));
    m_backgroundButton =
        m_window.addButton(fontGroup, QStringLiteral("SCButton9"), QStringLiteral("Цвет фона"),
                           QStringLiteral("Цвет фона"));
    const char* outlineGroup = groupOf(key::SCEdit19);
    m_outlineButton =
        m_window.addButton(outlineGroup, QStringLiteral("SCButton8"),
                           QStringLiteral("Цвет обводки"), QStringLiteral("Цвет обводки"));
    connectGuarded(m_fontButton, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("fontstylepage")),
                   [this] { guard([this] { chooseFont(); }); });
    connectGuarded(m_backgroundButton, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("fontstylepage")),
                   [this] { guard([this] { chooseBackground(); }); });
    connectGuarded(m_outlineButton, &QPushButton::clicked, this,
                   Origin::byOperator(QStringLiteral("fontstylepage")),
                   [this] { guard([this] { chooseOutline(); }); });

    for (const char* field : {key::SCEdit82, key::SCEdit85})
        ClickFilter::install(m_window.control(field),
                             Origin::byOperator(QStringLiteral("fontstylepage")),
                             [this] { guard([this] { chooseTemporaryFont(); }); });

    // Every click on the outline thickness warns, on the arrows or in the text.
    if (QWidget* thickness = m_window.control(key::SpinEdit13)) {
        auto warn = [this] { m_notifier.message(QString::fromUtf8(kOutlineWarning)); };
        const Origin origin = Origin::byOperator(QStringLiteral("fontstylepage"));
        ClickFilter::install(thickness, origin, warn);
        ClickFilter::install(thickness->findChild<QLineEdit*>(), origin, warn);
    }

    // The clock size follows the reduction as it is typed (a field emptied to be retyped waits
    // until it is left) and whenever one of the two fields is left.
    if (auto* reduction = qobject_cast<QLineEdit*>(m_window.control(key::SCEdit40)))
        connectGuarded(reduction, &QLineEdit::textEdited, this,
                       Origin::byOperator(QStringLiteral("fontstylepage")),
                       [this](const QString& text) {
                           // The field's text reaches the settings after this signal: take it
                           // first.
                           if (!text.isEmpty())
                               guard([&] {
                                   m_settings.setText(key::SCEdit40, text);
                                   recomputeClockFont();
                               });
                       });
    for (const char* field : {key::SCEdit40, key::SCEdit80})
        if (auto* edit = qobject_cast<QLineEdit*>(m_window.control(field)))
            connectGuarded(edit, &QLineEdit::editingFinished, this,
                           Origin::byOperator(QStringLiteral("fontstylepage")),
                           [this] { guard([this] { recomputeClockFont(); }); });
}

void FontStylePage::guard(const std::function<void()>& body)
{
    guarded(m_notifier, body);
}

void FontStylePage::showSample()
{
    QWidget* sample = m_window.control(key::SCEdit47);
    if (!sample)
        return;
    sample->setFont(tickerFont(m_settings));
    QPalette palette = sample->palette();
    palette.setColor(QPalette::Base, colorFromNumber(m_settings.integer(key::SCEdit13)));
    palette.setColor(QPalette::Text, colorFromNumber(m_settings.integer(key::SCEdit21)));
    sample->setPalette(palette);
    sample->setToolTip(m_settings.text(key::SCEdit87));
}

void FontStylePage::applyStoredFonts()
{
    showSample();
    if (m_textList) {
        QFont face = m_textList->font();
        face.setFamily(m_settings.text(key::SCEdit6));
        m_textList->setFont(face);
    }
}

void FontStylePage::fontChosen(const QFont& font, const QColor& colour)
{
    if (m_textList) {
        QFont face = m_textList->font();
        face.setFamily(font.family());
        m_textList->setFont(face);
    }
    storeTickerFontChoice(m_settings, font, colour);
    m_window.applyColourPreview(key::SCEdit21);
    showSample();
    recomputeClockFont();
    m_clock.requestRedraw();
}

void FontStylePage::backgroundChosen(const QColor& colour)
{
    storeColourChoice(m_settings, key::SCEdit13, colour);
    m_window.applyColourPreview(key::SCEdit13);
    showSample();
    m_clock.requestRedraw();
}

void FontStylePage::outlineChosen(const QColor& colour)
{
    storeColourChoice(m_settings, key::SCEdit19, colour);
    m_window.applyColourPreview(key::SCEdit19);
}

void FontStylePage::temporaryFontChosen(const QFont& font)
{
    storeTemporaryFont(m_settings, font);
    if (QWidget* face = m_window.control(key::SCEdit82)) {
        QFont shown = face->font();
        shown.setPointSize(qBound(1, fontPointSize(font), 200));
        face->setFont(shown);
    }
}

void FontStylePage::recomputeClockFont()
{
    recomputeClockFontSize(m_settings);
}

void FontStylePage::chooseFont()
{
    const auto choice = TickerFontDialog::ask(&m_window, tickerFont(m_settings),
                                              colorFromNumber(m_settings.integer(key::SCEdit21)));
    if (choice)
        fontChosen(choice->first, choice->second);
}

void FontStylePage::chooseBackground()
{
    const QColor colour = QColorDialog::getColor(colorFromNumber(m_settings.integer(key::SCEdit13)),
                                                 &m_window, QStringLiteral("Цвет фона"));
    if (colour.isValid())
        backgroundChosen(colour);
}

void FontStylePage::chooseOutline()
{
    const QColor colour = QColorDialog::getColor(colorFromNumber(m_settings.integer(key::SCEdit19)),
                                                 &m_window, QStringLiteral("Цвет обводки"));
    if (colour.isValid())
        outlineChosen(colour);
}

void FontStylePage::chooseTemporaryFont()
{
    // The dialog opens on the stored face and size; OK without a change keeps them.
    QFont stored(m_settings.text(key::SCEdit82));
    stored.setPointSize(qBound(1, m_settings.integer(key::SCEdit85), 200));
    QFontDialog dialog(fontDialogPreset(stored), &m_window);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    const QFont shown = dialog.currentFont();
    if (dialog.exec() == QDialog::Accepted)
        temporaryFontChosen(dialog.currentFont() == shown ? stored : dialog.currentFont());
}

}  // namespace velumo
