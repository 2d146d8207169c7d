#pragma once

#include <QAbstractListModel>

namespace velumo {

class PanelPhrases;

// The control panel's phrases as a list model: one row per phrase of PanelPhrases, in its
// order. Every change of the list goes through here, so whatever view shows it follows.
class PhraseListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    explicit PhraseListModel(PanelPhrases& phrases, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Appends a phrase (one line of the file); its row is the last.
    void add(const QString& phrase);
    // Removes the phrase of a row; false (and nothing changed) when there is none.
    bool remove(int row);
    // The list was loaded anew behind the model's back.
    void reload();

    const PanelPhrases& phrases() const { return m_phrases; }

private:
    PanelPhrases& m_phrases;
};

}  // namespace velumo
