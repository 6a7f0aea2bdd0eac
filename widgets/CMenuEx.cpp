#include "widgets/CMenuEx.h"

#include "widgets/CMenuExStyle.h"

#include <QIcon>
#include <QMenu>
#include <QMenuBar>

namespace pgw {

namespace {

constexpr char kCommandId[] = "pgwCommandId";
constexpr char kImageIndex[] = "pgwImageIndex";
// Menu resources nest a few levels; anything deeper is a broken description.
constexpr int kMaxDepth = 16;

bool withinDepth(const std::vector<MenuItemDesc>& items, int depth) {
    if (depth > kMaxDepth) return false;
    for (const MenuItemDesc& item : items)
        if (item.popup && !withinDepth(item.items, depth + 1)) return false;
    return true;
}

void collectActions(const QMenu* menu, std::vector<QAction*>& out) {
    for (QAction* action : menu->actions()) {
        out.push_back(action);
        if (auto* sub = action->menu<QMenu*>()) collectActions(sub, out);
    }
}

}  // namespace

CMenuEx::CMenuEx(bool popup) : CMenuEx(popup, std::make_unique<CMenuExStyle>()) {}

CMenuEx::CMenuEx(bool popup, std::unique_ptr<MenuStyleBase> style)
    : m_popup(popup), m_style(std::move(style)) {}

CMenuEx::~CMenuEx() = default;

bool CMenuEx::LoadMenu(const std::vector<MenuItemDesc>& items) {
    if (!withinDepth(items, 0)) return false;
    m_root = std::make_unique<QMenu>();
    m_root->setStyle(m_style.get());
    fill(m_root.get(), items, 0);
    refreshIcons();
    return true;
}

void CMenuEx::fill(QMenu* menu, const std::vector<MenuItemDesc>& items, int depth) {
    for (const MenuItemDesc& item : items) {
        QAction* action = nullptr;
        if (item.separator) {
            action = menu->addSeparator();
            action->setProperty(kCommandId, 0);
        } else if (item.popup) {
            auto* sub = new QMenu(item.text, menu);
            sub->setStyle(m_style.get());
            fill(sub, item.items, depth + 1);
            action = menu->addMenu(sub);
            action->setProperty(kCommandId, -1);
        } else {
            action = menu->addAction(item.text);
            action->setProperty(kCommandId, item.id);
            action->setCheckable(item.checked);
            action->setChecked(item.checked);
        }
        action->setEnabled(!item.disabled);
        action->setProperty(kImageIndex, -1);
    }
}

void CMenuEx::attachTo(QMenuBar* bar) const {
    if (!bar || !m_root) return;
    bar->addActions(m_root->actions());
}

std::vector<QAction*> CMenuEx::allActions() const {
    std::vector<QAction*> actions;
    if (m_root) collectActions(m_root.get(), actions);
    return actions;
}

int CMenuEx::commandId(const QAction* action) {
    return action ? action->property(kCommandId).toInt() : 0;
}

QAction* CMenuEx::findCommand(int id) const {
    if (id <= 0) return nullptr;
    for (QAction* action : allActions())
        if (commandId(action) == id) return action;
    return nullptr;
}

int CMenuEx::imageIndex(int id) const {
    const QAction* action = findCommand(id);
    return action ? action->property(kImageIndex).toInt() : -1;
}

QSize CMenuEx::imageSize() const { return m_style->imageSize; }

void CMenuEx::setImageSize(QSize size) {
    m_style->imageSize = size;
    m_imageSizeFixed = true;
}

void CMenuEx::setList(ImageList& list, const ImageList& images) {
    list = images;
    if (!m_imageSizeFixed && !images.empty()) setImageSize(images.front().deviceIndependentSize().toSize());
    refreshIcons();
}

void CMenuEx::SetImageList(const ImageList& images) { setList(m_normal, images); }
void CMenuEx::SetDisabledImageList(const ImageList& images) { setList(m_disabled, images); }
void CMenuEx::SetHotImageList(const ImageList& images) { setList(m_hot, images); }

void CMenuEx::setImageIndex(QAction* action, int index) { action->setProperty(kImageIndex, index); }

void CMenuEx::SetImageIndices(const std::vector<int>& ids) {
    for (QAction* action : allActions()) {
        const int id = commandId(action);
        if (id <= 0) continue;  // separators and popups carry no image
        for (std::size_t i = 0; i < ids.size(); ++i)
            if (ids[i] == id) setImageIndex(action, int(i));
    }
    refreshIcons();
}

// The item's three images travel as one icon: normal, disabled and active (hot) modes.
void CMenuEx::refreshIcons() {
    for (QAction* action : allActions()) {
        const int index = action->property(kImageIndex).toInt();
        QIcon icon;
        auto add = [&](const ImageList& list, QIcon::Mode mode) {
            if (index >= 0 && std::size_t(index) < list.size()) addCrispPixmap(icon, list[index], mode);
        };
        add(m_normal, QIcon::Normal);
        add(m_disabled, QIcon::Disabled);
        add(m_hot, QIcon::Active);
        action->setIcon(icon);
    }
}

void CMenuEx::SetBackgroundColor(const QColor& colour) {
    m_style->colours.background = colour;
    if (m_root) m_root->update();
}

void CMenuEx::SetColours(const MenuColours& colours) {
    m_style->colours = colours;
    if (m_root) m_root->update();
}

void CMenuEx::SetImageColumnColor(const QColor& colour) {
    m_style->colours.imageColumn = colour;
    if (m_root) m_root->update();
}

void CMenuEx::SetCheck(int id, bool checked) {
    if (QAction* action = findCommand(id)) {
        action->setCheckable(checked);
        action->setChecked(checked);
    }
}

void CMenuEx::EnableItem(int id, bool enabled) {
    if (QAction* action = findCommand(id)) action->setEnabled(enabled);
}

}  // namespace pgw
