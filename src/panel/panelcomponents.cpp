#include "panelcomponents.h"

namespace velumo::panelcomponents {

QList<UiComponent> design()
{
    using C = ComponentClass;
    auto button = [](const char* name, const char* caption, const char* hint) {
        return UiComponent{QString::fromLatin1(name), C::Button, QString::fromUtf8(caption),
                           QString::fromUtf8(hint)};
    };
    auto edit = [](const char* name, const char* hint) {
        return UiComponent{QString::fromLatin1(name), C::Edit, QString(), QString::fromUtf8(hint)};
    };
    auto captioned = [](const char* name, C cls, const char* caption) {
        return UiComponent{QString::fromLatin1(name), cls, QString::fromUtf8(caption), QString()};
    };
    auto other = [](const char* name) {
        return UiComponent{QString::fromLatin1(name), C::Other, QString(), QString()};
    };
    return {
        captioned("Label1", C::Label, "Диспетчер запущен!"),
        captioned("GroupBox2", C::GroupBox, "Tрансляция"),
        button("SCButton26", "", "Стоп видеотрансляции захвата видео"),
        button("SCButton63", "", "Старт трансляции захвата  видео"),
        other("ListBox1"),
        edit("scEdit1", "Поле набора строки для ввода в перечень"),
        captioned("GroupBox1", C::GroupBox, "Текст  часов"),
        captioned("Label3", C::Label, "Из перечня (внизу)"),
        button("SCButton12", "", "Вывести текст  часов из настроек"),
        button("SCButton9", "", "Вывести текст вместe c часами"),
        other("CheckBox1"),  // a plain check box: no line of its own
        button("SCButton1", "Вывести в бегущую строку", ""),
        button("SCButton2", "Остановить", "Остановить движение строки"),
        button("SCButton3", "Главное окно", "Вывести окно настроек"),
        button("SCButton5", "Свернуть", "Свернуть программу в значек на Systray"),
        button("SCButton4", "Добавить в перечень", ""),
        button("SCButton6", "Удалить из перечня", ""),
        button("SCButton8", "Продолжить", "Продолжить движение строки"),
        button("SCButton11", "Строка поверх всего", "Вывод строки поверх всех окон"),
        button("SCButton10", "С начала блока", ""),
        captioned("GroupBox3", C::GroupBox, "Flash"),
        button("SCButton13", "", "Стоп flash"),
        button("SCButton14", "", "Старт flash"),
        captioned("GroupBox4", C::GroupBox, "AVI"),
        button("SCButton15", "", "Стоп видео клипа"),
        button("SCButton16", "", "Видео клип"),
        button("SCButton17", "", "Выход из программы "),
        edit("SCEditn7", ""),
        captioned("GroupBox5", C::GroupBox, "ЦУП"),
        button("SCButton43", "", "Запустить диспетчер"),
        button("SCButton44", "", "Стоп диспетчера"),
        button("SCButton7", "", "Показать настройки диспетчера"),
        edit("SCEdit2", "Следующий старт"),
        edit("SCEdit3", "Время стопа текущей строки"),
        edit("SCEdit4", kClipStopHint),
        other("PopupMenu1"),
        other("N1"),
        other("N3"),
        other("N2"),
    };
}

}  // namespace velumo::panelcomponents
