#pragma once

#include <QList>
#include <QMainWindow>
#include <memory>
#include <string_view>

#include "base/translationfile.h"

class QAbstractButton;
class QGroupBox;
class QPushButton;
class QVBoxLayout;

namespace velumo {

class ComponentCodec;
class Notifier;
class Settings;
class SettingsBinder;
class SettingsPageBuilder;

// The main settings window: every page and group of the settings, each value control bound
// to the settings store both ways. Pages are built from the settings schema
// (SettingsPageBuilder), the controls bound by SettingsBinder, the settings files' lines read
// and written by ComponentCodec; subsystems add their buttons and lists into the pages through
// page() and group().
class SettingsWindow final : public QMainWindow {
    Q_OBJECT
public:
    // A failure of what follows a change typed into a field (a subscriber of the settings) is
    // reported through notifier; without one it goes to the warning log.
    explicit SettingsWindow(Settings& settings, Notifier* notifier = nullptr,
                            QWidget* parent = nullptr);
    ~SettingsWindow() override;

    // The window's title: the program's name and version.
    static QString caption();
    // The window's size when it first opens on a screen of that free area.
    static QSize initialSize(const QSize& available);

    // A declared page ("TabSheet3", pageschema.h), created on first use; its layout is a
    // QVBoxLayout of group boxes. A page or group that is not declared throws
    // std::invalid_argument: a misspelt id stops the window's construction.
    QWidget* page(std::string_view pageId);
    // A page that is no part of the settings files: velumo.cfg and velumo_lang.cfg give each
    // component a line by its position, so neither the page nor its widgets have one there.
    // path as a declared page's ("Интернет > Центр"); its layout is a QVBoxLayout.
    QWidget* addUnsavedPage(const QString& path, const QString& name);
    // A declared group box, created on first use inside its page (or inside its outer group when
    // it is nested); its layout is a QFormLayout.
    QGroupBox* group(std::string_view groupId);
    // A button added at the end of a group, a component of the window.
    QPushButton* addButton(std::string_view groupId, const QString& name, const QString& caption,
                           const QString& hint);
    // Puts a button made elsewhere at the end of a group: buttons placed one after another
    // share a row.
    void placeButton(std::string_view groupId, QAbstractButton* button);
    // The widget bound to a setting ("SCEdit43"), or nullptr.
    QWidget* control(const QString& name) const;
    // Binds a widget made elsewhere to a setting (its objectName is the setting's name).
    void bindControl(QWidget* widget, const QString& name);

    // Components of the window in their declared order (mainwindowcomponents.h), for velumo.cfg
    // and velumo_lang.cfg; a component that is not declared comes after them.
    void addComponent(QObject* object, ComponentClass cls);
    QList<UiComponent> components() const;
    QStringList componentNames() const;
    void applyComponents(const QList<UiComponent>& components);

    // The page sets PageControl2 (Настройки), PageControl3 (ЦУП), PageControl4 (FTP),
    // PageControl5 (Бегущая строка), PageControl7 (Интернет).
    void setPageSetVisible(const QString& pageSet, bool visible);
    bool isPageSetVisible(const QString& pageSet) const;
    void showPage(std::string_view pageId);

    // A colour field shows the colour held in its text, its digits in black or white, whichever
    // reads better on it; it keeps following its text afterwards.
    void applyColourPreview(const QString& name);

    // Ids of every page built, for walking them all.
    QStringList pageIds() const;

    // The groups of a page line the fields of their rows and of the groups nested in them up
    // in one column. Done when the window is shown and when translated texts arrive; a subsystem
    // that adds labels later may call it again.
    void alignLabelColumns();

    QVBoxLayout* footer() const { return m_footer; }

signals:
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<ComponentCodec> m_codec;
    std::unique_ptr<SettingsBinder> m_binder;
    std::unique_ptr<SettingsPageBuilder> m_builder;
    QVBoxLayout* m_footer = nullptr;
};

}  // namespace velumo
