#pragma once

#include <QHash>
#include <QPointer>

#include "base/notifier.h"

class QMessageBox;

namespace velumo {

// Message boxes on screen: plain messages and error reports are non-modal (the program goes
// on); a text already on screen is raised, not stacked. Questions are modal.
class GuiNotifier final : public Notifier {
public:
    using Notifier::Notifier;
    ~GuiNotifier() override;

    // Boxes still open (for tests and the control channel).
    QStringList openTexts() const;
    void closeAll();

protected:
    void showMessage(const QString& title, const QString& text, bool error) override;
    bool showQuestion(const QString& title, const QString& text, bool yesNo) override;

private:
    QHash<QString, QPointer<QMessageBox>> m_open;
};

}  // namespace velumo
