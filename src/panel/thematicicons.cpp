#include "thematicicons.h"

#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>

#include "base/controlspec.h"
#include "base/guard.h"
#include "base/notifier.h"
#include "panel/iconkind.h"
#include "panel/iconslots.h"
#include "ui/clickfilter.h"
#include "ui/dialogspec.h"
#include "ui/settingswindow.h"

namespace velumo {

namespace {

const QString kWhiteSquareMessage = QStringLiteral(
    "Если здесь не настраивать, то на экране будет появляться белый квадрат. Можно задать здесь "
    "его положение вне зоны проката.");

}  // namespace

ThematicIcons::ThematicIcons(SettingsWindow& window, IconSlots& iconSlots, Notifier& notifier,
                             QString initialFolder)
    : QObject(&window),
      m_window(window),
      m_slots(iconSlots),
      m_notifier(notifier),
      m_folder(std::move(initialFolder))
{
    static_assert(std::tuple_size_v<decltype(m_previews)> == IconSlots::kSlotCount);
    m_dialog = new DialogSpec(QStringLiteral("OpenDialog6"),
                              QStringLiteral("Графические файлы|*.bmp;*.wmf;*.tif|Анимация|*.avi"),
                              QString(), this);
    m_dialog->defaultSuffix = QStringLiteral("bmp");
    m_window.addComponent(m_dialog, ComponentClass::Dialog);
    buildPreviews();
    connectGuarded(&m_slots, &IconSlots::slotChanged, this,
                   Origin::byOperator(QStringLiteral("thematicicons")), &ThematicIcons::showSlot);
    connectGuarded(&m_slots, &IconSlots::slotLoaded, this,
                   Origin::unattended(QStringLiteral("thematicicons")), &ThematicIcons::showLoaded);
    for (int i = 0; i < IconSlots::kSlotCount; ++i)
        showSlot(i);
}

ThematicIcons::~ThematicIcons() = default;

void ThematicIcons::buildPreviews()
{
    for (int i = 0; i < IconSlots::kSlotCount; ++i) {
        Preview& preview = m_previews[i];
        QWidget* field = m_window.control(QString::fromLatin1(kIconSlotKeys[i]));
        if (!field)
            continue;
        QWidget* box = field->parentWidget();
        auto* row = new QWidget(box);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        if (auto* form = qobject_cast<QFormLayout*>(box->layout()))
            delete form->replaceWidget(field, row);
        preview.picture = new QLabel(row);
        preview.picture->setObjectName(QStringLiteral("Image%1").arg(i + 1));
        preview.picture->setFixedSize(kPreviewPx, kPreviewPx);
        preview.picture->setScaledContents(true);
        preview.picture->setFrameShape(QFrame::Box);
        preview.animation = new QLabel(QStringLiteral("AVI"), row);
        preview.animation->setObjectName(QStringLiteral("Animate%1").arg(i + 1));
        preview.animation->setFixedSize(kPreviewPx, kPreviewPx);
        preview.animation->setAlignment(Qt::AlignCenter);
        preview.animation->setFrameShape(QFrame::Box);
        QFont small = preview.animation->font();
        small.setPointSize(6);
        preview.animation->setFont(small);
        preview.animation->hide();
        layout->addWidget(preview.picture);
        layout->addWidget(preview.animation);
        layout->addWidget(field, 1);
        ClickFilter::install(field, Origin::byOperator(QStringLiteral("thematicicons")),
                             [this, i] { guarded(m_notifier, [&] { pickFile(i); }); });
    }

    const ControlSpec* first = findControl(kIconSlotKeys[0]);
    if (!first)
        return;
    QGroupBox* group = m_window.group(first->group);
    auto* warning = new QLabel(QStringLiteral("!"), group);
    warning->setObjectName(QStringLiteral("Label181"));
    warning->setToolTip(kWhiteSquareMessage);
    QFont bold = warning->font();
    bold.setBold(true);
    warning->setFont(bold);
    static_cast<QFormLayout*>(group->layout())->addRow(warning);
    m_window.addComponent(warning, ComponentClass::Label);
    ClickFilter::install(warning, Origin::byOperator(QStringLiteral("thematicicons")),
                         [this] { m_notifier.message(kWhiteSquareMessage); });
}

void ThematicIcons::showSlot(int slot)
{
    const Preview& preview = m_previews.at(slot);
    if (!preview.picture)
        return;
    const bool picture = m_slots.isPictureSlot(slot);
    preview.picture->setVisible(picture);
    preview.animation->setVisible(!picture);
    if (!picture) {
        preview.animation->setToolTip(m_slots.slotAnimation(slot));
        return;
    }
    // A picture being read keeps the preview of the one before until it has arrived.
    if (m_slots.slotPicture(slot).isNull())
        preview.picture->clear();
}

void ThematicIcons::showLoaded(int slot, bool ok)
{
    const Preview& preview = m_previews.at(slot);
    if (ok && preview.picture)
        preview.picture->setPixmap(QPixmap::fromImage(m_slots.slotPicture(slot)));
}

void ThematicIcons::pickFile(int slot)
{
    QFileDialog dialog(&m_window, m_dialog->title, m_folder, m_dialog->qtFilter());
    dialog.setObjectName(m_dialog->objectName());
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(m_dialog->defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    m_slots.choose(slot, dialog.selectedFiles().first());
}

}  // namespace velumo
