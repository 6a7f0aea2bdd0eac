// Owner-drawn menus in the program's flat look. A CMenuEx builds a QMenu tree from a menu
// description, draws it through its own style, and gives commands their images by id.
#pragma once

#include "widgets/MenuDescription.h"
#include "widgets/MenuImages.h"
#include "widgets/MenuStyleBase.h"

#include <QColor>
#include <QSize>

#include <memory>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;

namespace pgw {

class MenuStyleBase;

class CMenuEx {
public:
    // popup: a context or drop-down menu; otherwise a menu bar whose top-level items stay text.
    explicit CMenuEx(bool popup = true);
    virtual ~CMenuEx();
    CMenuEx(const CMenuEx&) = delete;
    CMenuEx& operator=(const CMenuEx&) = delete;

    // Builds a fresh menu; false (and nothing built) for a description nested too deeply.
    bool LoadMenu(const std::vector<MenuItemDesc>& items);
    bool isPopup() const { return m_popup; }

    // The popup menu (popup mode), or the holder of the bar's top-level items.
    QMenu* menu() const { return m_root.get(); }
    // Puts the top-level items on `bar`; the bar must not outlive this object.
    void attachTo(QMenuBar* bar) const;

    void SetImageList(const ImageList& images);
    void SetDisabledImageList(const ImageList& images);
    void SetHotImageList(const ImageList& images);
    // Item with command ids[i] shows image i; the last matching position wins.
    void SetImageIndices(const std::vector<int>& ids);
    void SetBackgroundColor(const QColor& colour);
    // Every colour of the look at once (see menuColoursFor).
    void SetColours(const MenuColours& colours);
    void SetImageColumnColor(const QColor& colour);

    // State changes keep the look: a checked item shows the "√" cell.
    void SetCheck(int id, bool checked);
    void EnableItem(int id, bool enabled);

    QAction* findCommand(int id) const;
    int imageIndex(int id) const;  // -1: none, or no such command
    QSize imageSize() const;
    MenuStyleBase& style() const { return *m_style; }

    static int commandId(const QAction* action);  // 0 separator, -1 popup

protected:
    CMenuEx(bool popup, std::unique_ptr<MenuStyleBase> style);
    void setImageSize(QSize size);
    std::vector<QAction*> allActions() const;
    void setImageIndex(QAction* action, int index);

private:
    void setList(ImageList& list, const ImageList& images);
    void fill(QMenu* menu, const std::vector<MenuItemDesc>& items, int depth);
    void refreshIcons();

    bool m_popup;
    bool m_imageSizeFixed = false;
    ImageList m_normal, m_disabled, m_hot;
    // The style outlives the menus drawn with it.
    std::unique_ptr<MenuStyleBase> m_style;
    std::unique_ptr<QMenu> m_root;
};

}  // namespace pgw
