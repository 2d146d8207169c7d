#include "thematicicons.h"

#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>

#include "base/controlspec.h"
#include "base/eventlog.h"
#include "base/guard.h"
#include "base/notifier.h"
#include "base/settings.h"
#include "panel/iconkind.h"
#include "panel/iconwindow.h"
#include "panel/picturereader.h"
#include "ui/clickfilter.h"
#include "ui/dialogspec.h"
#include "ui/settingswindow.h"

namespace velumo {

namespace {

const QString kWhiteSquareMessage = QStringLiteral(
    "Если здесь не настраивать, то на экране будет появляться белый квадрат. Можно задать здесь "
    "его положение вне зоны проката.");

}  // namespace

ThematicIcons::ThematicIcons(SettingsWindow& window, Settings& settings, IconWindow& icon,
                             Notifier& notifier, EventLog* log, QString initialFolder)
    : QObject(&window),
      m_window(window),
      m_settings(settings),
      m_icon(icon),
      m_notifier(notifier),
      m_log(log),
      m_folder(std::move(initialFolder))
{
    m_reader = new PictureReader(this);
    m_dialog = new DialogSpec(QStringLiteral("OpenDialog6"),
                              QStringLiteral("Графические файлы|*.bmp;*.wmf;*.tif|Анимация|*.avi"),
                              QString(), this);
    m_dialog->defaultSuffix = QStringLiteral("bmp");
    m_window.addComponent(m_dialog, ComponentClass::Dialog);
    for (int i = 0; i < kSlotCount; ++i)
        m_slots[i].field = QString::fromLatin1(kIconSlotKeys[i]);
    buildPreviews();
    connectGuarded(&m_icon, &IconWindow::animationFailed, this,
                   Origin::unattended(QStringLiteral("thematicicons")),
                   [this](const QString& error) {
                       if (m_log)
                           m_log->write(QStringLiteral("ticker"), error);
                   });
}

ThematicIcons::~ThematicIcons() = default;

void ThematicIcons::buildPreviews()
{
    for (int i = 0; i < kSlotCount; ++i) {
        Slot& slot = m_slots[i];
        QWidget* field = m_window.control(slot.field);
        if (!field)
            continue;
        QWidget* box = field->parentWidget();
        auto* row = new QWidget(box);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        if (auto* form = qobject_cast<QFormLayout*>(box->layout()))
            delete form->replaceWidget(field, row);
        slot.picturePreview = new QLabel(row);
        slot.picturePreview->setObjectName(QStringLiteral("Image%1").arg(i + 1));
        slot.picturePreview->setFixedSize(kPreviewPx, kPreviewPx);
        slot.picturePreview->setScaledContents(true);
        slot.picturePreview->setFrameShape(QFrame::Box);
        slot.animationPreview = new QLabel(QStringLiteral("AVI"), row);
        slot.animationPreview->setObjectName(QStringLiteral("Animate%1").arg(i + 1));
        slot.animationPreview->setFixedSize(kPreviewPx, kPreviewPx);
        slot.animationPreview->setAlignment(Qt::AlignCenter);
        slot.animationPreview->setFrameShape(QFrame::Box);
        QFont small = slot.animationPreview->font();
        small.setPointSize(6);
        slot.animationPreview->setFont(small);
        slot.animationPreview->hide();
        layout->addWidget(slot.picturePreview);
        layout->addWidget(slot.animationPreview);
        layout->addWidget(field, 1);
        ClickFilter::install(field, [this, i] { guarded(m_notifier, [&] { pickFile(i); }); });
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
    ClickFilter::install(warning, [this] { m_notifier.message(kWhiteSquareMessage); });
}

void ThematicIcons::setKind(Slot& slot, bool picture)
{
    slot.pictureKind = picture;
    if (slot.picturePreview) {
        slot.picturePreview->setVisible(picture);
        slot.animationPreview->setVisible(!picture);
    }
}

void ThematicIcons::loadAll()
{
    for (int i = 0; i < kSlotCount; ++i)
        loadSlot(i);
}

void ThematicIcons::loadSlot(int index)
{
    Slot& slot = m_slots.at(index);
    const QString path = m_settings.text(slot.field);
    const quint64 generation = ++slot.generation;
    if (isAnimationPath(path)) {
        setKind(slot, false);
        slot.animationFile = path;
        if (slot.animationPreview)
            slot.animationPreview->setToolTip(path);
        return;
    }
    setKind(slot, true);
    // A slot never set (a blank) has no picture to read.
    if (path.trimmed().isEmpty()) {
        slot.picture = QImage();
        slot.movie.clear();
        if (slot.picturePreview)
            slot.picturePreview->clear();
        return;
    }
    m_reader->read(
        path,
        [this, index, generation](const Picture& picture) {
            Slot& s = m_slots[index];
            if (s.generation != generation)
                return;  // a later choice replaced this one
            s.picture = picture.image;
            s.movie = picture.movie;
            if (s.picturePreview)
                s.picturePreview->setPixmap(QPixmap::fromImage(picture.image));
            // Pictures load in the background: one that arrives after the ticker asked for it
            // is shown at once.
            if (index == m_shownSlot && s.pictureKind && m_icon.isVisible())
                m_icon.showPicture(s.picture, s.movie);
            emit slotLoaded(index, true);
        },
        [this, index, generation](const QString& error) {
            if (m_slots[index].generation != generation)
                return;
            m_notifier.message(error);
            emit slotLoaded(index, false);
        });
}

void ThematicIcons::pickFile(int slot)
{
    QFileDialog dialog(&m_window, m_dialog->title, m_folder, m_dialog->qtFilter());
    dialog.setObjectName(m_dialog->objectName());
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(m_dialog->defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    choose(slot, dialog.selectedFiles().first());
}

void ThematicIcons::choose(int slot, const QString& path)
{
    m_settings.setText(m_slots.at(slot).field, QDir::toNativeSeparators(path));
    loadSlot(slot);
}

void ThematicIcons::vibor(int index)
{
    // The ticker goes on whatever happens here: a failure is only written to the event log,
    // once until a different one occurs.
    try {
        viborUnguarded(index);
        return;
    } catch (...) {
        const QString error = currentExceptionText();
        if (error != m_lastViborError && m_log)
            m_log->write(QStringLiteral("ticker"), error);
        m_lastViborError = error;
    }
}

void ThematicIcons::viborUnguarded(int index)
{
    if (index == kNoIcon) {
        m_shownSlot = -1;
        m_icon.hideContent();
        m_icon.hide();
        return;
    }
    if (index < 0 || index >= kSlotCount)
        return;
    const Slot& slot = m_slots[index];
    m_icon.show();
    m_shownSlot = slot.pictureKind ? index : -1;
    if (slot.pictureKind) {
        m_icon.showPicture(slot.picture, slot.movie);
        m_icon.repaint();
    } else {
        m_icon.playAnimation(slot.animationFile);
    }
}

}  // namespace velumo
