#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <string_view>

class QAbstractButton;
class QGroupBox;
class QHBoxLayout;
class QMainWindow;
class QPushButton;
class QTabWidget;
class QVBoxLayout;
class QWidget;

namespace velumo {

class ComponentCodec;
class SettingsBinder;

// Builds the main window's pages from the settings schema: the page sets as tabs of the top
// tab widget, the declared pages and their group boxes created on first use, a labelled control
// for each value of the schema (ControlFactory's, bound by the binder), rows of buttons, and
// which page set shows. Everything it creates that the settings files name is a component
// (codec).
class SettingsPageBuilder {
public:
    // Creates the page sets (PageControl5, 2, 3, 4, 7) as tabs of top.
    SettingsPageBuilder(QMainWindow& window, QTabWidget& top, QVBoxLayout& footer,
                        SettingsBinder& binder, ComponentCodec& codec);

    // Every value control of the schema, in its group, or in the footer when it has no page.
    void buildFromSchema();

    // A declared page ("TabSheet3", pageschema.h), created on first use; its layout is a
    // QVBoxLayout of group boxes. A page that is not declared throws std::invalid_argument.
    QWidget* page(std::string_view pageId);
    // A page that is no part of the settings files, at path as a declared page's.
    QWidget* addUnsavedPage(const QString& path, const QString& name);
    // A declared group box, created on first use inside its page (or inside its outer group
    // when it is nested); its layout is a QFormLayout.
    QGroupBox* group(std::string_view groupId);
    // A button added at the end of a group, a component of the window.
    QPushButton* addButton(std::string_view groupId, const QString& name, const QString& caption,
                           const QString& hint);
    // Puts a button made elsewhere at the end of a group: buttons placed one after another
    // share a row while it stays narrow enough.
    void placeButton(std::string_view groupId, QAbstractButton* button);

    void setPageSetVisible(const QString& pageSet, bool visible);
    bool isPageSetVisible(const QString& pageSet) const;
    void showPage(std::string_view pageId);
    // Ids of every page built, sorted.
    QStringList pageIds() const;

private:
    // A row of buttons wraps before it grows wider than this (the style's spacing between).
    static constexpr int kButtonRowWidth = 560;
    static constexpr int kButtonSpacing = 6;
    struct Page {
        QWidget* content = nullptr;
        QVBoxLayout* layout = nullptr;
    };
    QTabWidget* pageSetTabs(const QString& top);
    void joinRow(const QString& checkName, const QString& fieldName, bool captionAfterField);

    QMainWindow& m_window;
    QTabWidget& m_top;
    QVBoxLayout& m_footer;
    SettingsBinder& m_binder;
    ComponentCodec& m_codec;
    QHash<QString, Page> m_pages;
    QHash<QString, QGroupBox*> m_groups;
    QHash<QString, QWidget*> m_pageSetWidgets;
    QHash<QGroupBox*, QHBoxLayout*> m_buttonRows;
    int m_pageCount = 0;
};

}  // namespace velumo
