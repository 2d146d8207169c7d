#include "plandiagramwindow.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace velumo {

namespace {

const QString kDiagram = QStringLiteral(
    "┌──────────────────────────┐\n"
    "│ Кнопка «Старт»           │  загрузка план-файла (если отмечено «Загрузка план-файла»),\n"
    "│ (SCButton43Click)        │  поиск первой строки со стартом не раньше текущего момента\n"
    "└────────────┬─────────────┘\n"
    "             ▼\n"
    "┌──────────────────────────┐\n"
    "│ DispStartT               │  при запуске программы с «Диспетчер включен»:\n"
    "│                          │  загрузка план-файла, Timer1start через 10 мс\n"
    "└────────────┬─────────────┘\n"
    "             ▼\n"
    "┌──────────────────────────┐\n"
    "│ Timer1startTimer         │  первый такт после запуска: возобновление записи\n"
    "│                          │  из str_disp.txt (первая загрузка; перезапуск в рабочее\n"
    "│                          │  время; перезапуск после рабочего времени; перезапуск\n"
    "│                          │  в другой день)\n"
    "└────────────┬─────────────┘\n"
    "             ▼\n"
    "┌──────────────────────────┐\n"
    "│ starts                   │  строка → str_disp.txt; старт по букве (s k b p f w t),\n"
    "│                          │  таймер стопа своего вида; автообновление: перечитать\n"
    "│                          │  план-файл; взвести следующую строку или ждать\n"
    "│                          │  обновления каждые «Период ожидания» секунд\n"
    "└──────────────────────────┘\n");

}  // namespace

PlanDiagramWindow::PlanDiagramWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("TForm8"));
    setWindowTitle(QStringLiteral("Алгоритм обработки план-файла"));
    resize(640, 480);
    auto* layout = new QVBoxLayout(this);
    auto* text = new QPlainTextEdit(kDiagram, this);
    text->setObjectName(QStringLiteral("MemoDiagram"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setFont(QFont(QStringLiteral("Monospace")));
    layout->addWidget(text);
}

}  // namespace velumo
