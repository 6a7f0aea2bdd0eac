#include "editors/CAppToolBar.h"


#include "commands/CommandTable.h"
#include "editors/FontCombos.h"
#include "editors/ShownFormat.h"
#include "widgets/CColourPicker.h"
#include "widgets/MenuImages.h"
#include "widgets/ToolbarStrip.h"

#include <QEvent>
#include <QToolButton>

namespace pgw::editors {
namespace {

namespace cmd = framework::cmd;

constexpr char kCommandProperty[] = "pgwCommandId";
constexpr int kFaceListWidth = 100;
constexpr int kSizeListWidth = 45;
constexpr int kColourWidth = 50;

QString qt(const std::string& utf8) { return QString::fromStdString(utf8); }
QString stripPath(int resourceId) { return QStringLiteral(":/bitmaps/%1.bmp").arg(resourceId); }

}  // namespace

CAppToolBar::CAppToolBar(QWidget* parent) : QToolBar(parent) {
    setMovable(false);
    setFloatable(false);
}

bool CAppToolBar::loadToolBar(int resourceId) {
    const commands::ToolbarResource* resource = commands::toolbarResource(resourceId);
    if (!resource) return false;
    for (const framework::CommandId id : resource->buttons) {
        if (id == 0) {
            addSeparator();
            continue;
        }
        QAction* action = addAction(qt(commands::plainText(commands::commandText(id))));
        action->setProperty(kCommandProperty, id);
        action->setToolTip(qt(commands::tooltipOf(id)));
        action->setStatusTip(qt(commands::statusTextOf(id)));
        connect(action, &QAction::triggered, this, [this, action, id](bool checked) {
            // Qt flipped a toggle on the click; the command decides, and the owner shows the outcome.
            if (action->isCheckable()) action->setChecked(!checked);
            if (commandSink_) commandSink_(id);
        });
    }
    return true;
}

// A theme switched while the program runs: the images are made readable on the new palette.
void CAppToolBar::changeEvent(QEvent* event) {
    QToolBar::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && loaded_[0] != 0)
        LoadToolbarImages(loaded_[0], loaded_[1], loaded_[2], loaded_[3]);
}

bool CAppToolBar::LoadToolbarImages(int imageWidth, int normalId, int hotId, int disabledId) {
    loaded_ = {imageWidth, normalId, hotId, disabledId};
    std::vector<std::vector<QPixmap>> lists;
    for (const int id : {normalId, hotId, disabledId}) {
        if (id == 0) break;
        std::vector<QPixmap> images = widgets::readableOn(palette(), widgets::loadToolbarImages(stripPath(id), imageWidth));
        if (id == disabledId && lists.size() == 2) images = widgets::disabledOn(palette(), std::move(images));
        if (images.empty()) break;
        lists.push_back(std::move(images));
    }
    if (lists.empty()) return false;
    const std::vector<QPixmap> none;
    const auto& disabled = lists.size() > 2 ? lists[2] : none;
    size_t index = 0;
    for (QAction* action : actions()) {
        if (action->isSeparator() || index >= lists[0].size()) continue;
        QIcon icon = widgets::stripIcon(lists[0], disabled, index);
        if (lists.size() > 1 && index < lists[1].size()) addCrispPixmap(icon, lists[1][index], QIcon::Active);
        action->setIcon(icon);
        ++index;
    }
    setIconSize(lists[0].front().size());
    return lists.size() == (disabledId == 0 ? 2u : 3u);
}

void CAppToolBar::createFontControls() {
    faceList_ = new CFontNameCombo(this);
    faceList_->fill();
    selectEntryStartingWith(*faceList_, QStringLiteral("宋体"));
    placeControl(cmd::kFaceList, faceList_, kFaceListWidth);
    connect(faceList_, &QComboBox::activated, this, [this] {
        if (commandSink_) commandSink_(cmd::kFaceList);
    });

    sizeList_ = new CFontSizeCombo(this);
    selectEntryStartingWith(*sizeList_, QStringLiteral("10"));
    placeControl(cmd::kSizeList, sizeList_, kSizeListWidth);
    connect(sizeList_, &QComboBox::activated, this, [this] {
        if (commandSink_) commandSink_(cmd::kSizeList);
    });

    colourPicker_ = new CColourPicker(this, int(cmd::kColourPicker));
    colourPicker_->setProperty(kCommandProperty, cmd::kColourPicker);
    colourPicker_->SetColour(Qt::black);
    placeControl(cmd::kColourPicker, colourPicker_, kColourWidth);
    connect(colourPicker_, &CColourPicker::selectionEnded, this, [this](const QColor& colour) { colourPicked(colour); });
}

QAction* CAppToolBar::placeControl(framework::CommandId id, QWidget* control, int width) {
    control->setFixedWidth(width);
    control->setToolTip(qt(commands::tooltipOf(id)));
    QAction* place = button(id);
    QAction* placed = place ? insertWidget(place, control) : addWidget(control);
    if (place) {
        removeAction(place);
        delete place;
    }
    return placed;
}

void CAppToolBar::colourPicked(const QColor& colour) {
    lastColour_ = colour;
    if (colourSink_) colourSink_(colour);
}

QAction* CAppToolBar::button(framework::CommandId id) const {
    for (QAction* action : actions())
        if (action->property(kCommandProperty).toUInt() == id && !action->isSeparator()) return action;
    return nullptr;
}

bool CAppToolBar::isButtonChecked(framework::CommandId id) const {
    const QAction* action = button(id);
    return action && action->isChecked();
}

void CAppToolBar::setButtonChecked(framework::CommandId id, bool checked) {
    if (QAction* action = button(id)) action->setChecked(checked);
}

void CAppToolBar::showFormat(const ShownFormat& format) {
    // In one pass over the buttons: this runs for every move of the caret.
    const std::pair<framework::CommandId, bool> toggles[] = {{cmd::kBold, format.bold},
                                                             {cmd::kItalic, format.italic},
                                                             {cmd::kUnderline, format.underline},
                                                             {cmd::kStrikeOut, format.strikeOut},
                                                             {cmd::kBullets, format.bullets}};
    for (QAction* action : actions()) {
        if (!action->isCheckable()) continue;
        const framework::CommandId id = action->property(kCommandProperty).toUInt();
        for (const auto& [toggle, on] : toggles)
            if (id == toggle) action->setChecked(on);
    }
    if (faceList_) faceList_->showFace(format.face);
    if (sizeList_) sizeList_->showHeight(format.heightTwips);
    // A selection of several colours shows automatic. The control paints at once, so only a
    // change repaints it.
    const QColor colour = format.colour.value_or(QColor());
    if (colourPicker_ && colourPicker_->GetColour() != colour) colourPicker_->SetColour(colour);
}

void CAppToolBar::updateEnabled(const std::function<bool(framework::CommandId)>& enabled) {
    for (QAction* action : actions()) {
        const QVariant id = action->property(kCommandProperty);
        if (id.isValid()) action->setEnabled(enabled(id.toUInt()));
    }
}

}  // namespace pgw::editors
