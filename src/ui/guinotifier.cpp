#include "guinotifier.h"

#include <QApplication>
#include <QMessageBox>

namespace velumo {

namespace {

const QString kApplicationTitle = QStringLiteral("Велумо");

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
