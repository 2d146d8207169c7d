#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace velumo {

// What a component of a window contributes to its translation file.
enum class ComponentClass {
    Edit,        // line = its hint
    Label,       // line = its caption
    FixedLabel,  // writes an empty line and keeps its caption on reading
    GroupBox,    // caption
    Page,        // caption
    Button,      // caption "|" hint
    CheckBox,    // caption
    Combo,       // hint
    Dialog,      // filter "/" title (caption holds the filter, hint the title)
    Other,       // spinners, memos, lists, timers...: empty line, ignored on reading
};

struct UiComponent {
    QString name;
    ComponentClass cls = ComponentClass::Other;
    QString caption;
    QString hint;
};

// A translation file holds exactly one line per component, from the last component to the
// first; a line belongs to its component by position alone.
namespace translationfile {

inline constexpr char kMainFileName[] = "velumo_lang.cfg";
inline constexpr char kPanelFileName[] = "panel_lang.cfg";

QString lineFor(const UiComponent& component);
// Applies one line by the component's class.
void apply(UiComponent& component, const QString& line);

// The whole file's lines for the components (already reversed: last component first).
QStringList write(const QList<UiComponent>& components);
// Applies lines in file order to the components from the last to the first; past the end of
// the file the lines are empty, extra lines are ignored.
void read(const QStringList& lines, QList<UiComponent>& components);

}  // namespace translationfile
}  // namespace velumo
