#include "guinotifier.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>

namespace velumo {

namespace {

const QString kApplicationTitle = QStringLiteral("Велумо");

// A box the operator's action shows stands on the screen of the main window, in its middle:
// never where the strip and the players are on air when the operator works on another screen.
void placeOnMainWindowScreen(QWidget* box)
{
    QScreen* screen = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == QLatin1String("TForm1") && top->isVisible())
            screen = top->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    box->adjustSize();
    QRect frame(QPoint(), box->sizeHint());
    frame.moveCenter(screen->availableGeometry().center());
    box->move(frame.topLeft());
}

}  // namespace

GuiNotifier::~GuiNotifier()
{
    closeAll();
}

QStringList GuiNotifier::openTexts() const
{
    QStringList texts;
    for (auto it = m_open.cbegin(); it != m_open.cend(); ++it)
        if (it.value())
            texts.append(it.key());
    return texts;
}

void GuiNotifier::closeAll()
{
    for (auto& box : m_open)
        if (box)
            box->deleteLater();
    m_open.clear();
}

void GuiNotifier::showMessage(const QString& title, const QString& text, bool error)
{
    if (QPointer<QMessageBox> open = m_open.value(text); open) {
        open->raise();
        open->activateWindow();
        return;
    }
    auto* box = new QMessageBox(error ? QMessageBox::Critical : QMessageBox::Information,
                                title.isEmpty() ? kApplicationTitle : title, text, QMessageBox::Ok);
    box->setObjectName(QStringLiteral("message"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->setWindowModality(Qt::NonModal);
    box->setWindowFlag(Qt::WindowStaysOnTopHint);
    m_open.insert(text, box);
    placeOnMainWindowScreen(box);
    box->show();
}

bool GuiNotifier::showQuestion(const QString& title, const QString& text, bool yesNo)
{
    const auto buttons =
        yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok | QMessageBox::Cancel;
    const auto answer = QMessageBox::question(QApplication::activeWindow(),
                                              title.isEmpty() ? kApplicationTitle : title, text,
                                              buttons, yesNo ? QMessageBox::Yes : QMessageBox::Ok);
    return answer == QMessageBox::Yes || answer == QMessageBox::Ok;
}

}  // namespace velumo
