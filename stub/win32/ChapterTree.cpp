#include "stub/win32/ChapterTree.h"

#include "stub/win32/ReaderResources.h"
#include "stub/win32/WideText.h"
#include "stub/win32/WindowBasics.h"

#include <string>

namespace pgw::stub::win32 {
namespace {

// Tree images, by their place in the chapter tree's image strip.
enum TreeImage : int { kDirectoryImage = 0, kTextImage = 2, kPictureImage = 6, kWebImage = 8 };
constexpr int kImageSide = 16, kImageCount = 10;

int imageOf(const Chapter& chapter) {
    if (chapter.directory) return kDirectoryImage;
    switch (chapter.type) {
        case book::NodeType::Picture: return kPictureImage;
        case book::NodeType::Web: return kWebImage;
        default: return kTextImage;
    }
}

}  // namespace

ChapterTree::~ChapterTree() {
    if (images_) ::ImageList_Destroy(images_);
    if (font_) ::DeleteObject(font_);
}

bool ChapterTree::create(HWND parent, HINSTANCE instance, const std::vector<Chapter>& chapters) {
    chapters_ = &chapters;
    tree_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASLINES | TVS_LINESATROOT | TVS_HASBUTTONS |
                                  TVS_SHOWSELALWAYS,
                              0, 0, 0, 0, parent, nullptr, instance, nullptr);
    if (!tree_) return false;
    // The strip's 16-pixel images, drawn larger on a high-resolution screen.
    const int side = scaled(kImageSide);
    images_ = ::ImageList_Create(side, side, ILC_COLOR24 | ILC_MASK, kImageCount, 0);
    if (auto strip = static_cast<HBITMAP>(::LoadImageW(instance, MAKEINTRESOURCEW(kTreeImagesId), IMAGE_BITMAP,
                                                        side * kImageCount, side, LR_CREATEDIBSECTION))) {
        ::ImageList_AddMasked(images_, strip, RGB(255, 0, 255));
        ::DeleteObject(strip);
    }
    TreeView_SetImageList(tree_, images_, TVSIL_NORMAL);
    font_ = messageFont();
    if (font_) ::SendMessageW(tree_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);

    items_.assign(chapters.size(), nullptr);
    filled_.assign(chapters.size(), false);
    // Chapters without a place under another (the root) are the top of the tree.
    for (size_t i = 0; i < chapters.size(); ++i)
        if (chapters[i].parent >= chapters.size()) insert(i, TVI_ROOT);
    if (!items_.empty() && items_[0]) {
        fill(0);
        TreeView_Expand(tree_, items_[0], TVE_EXPAND);
    }
    return true;
}

bool ChapterTree::reveal(size_t chapter) {
    if (!itemFor(chapter)) return false;
    for (size_t at = (*chapters_)[chapter].parent; at < items_.size(); at = (*chapters_)[at].parent)
        TreeView_Expand(tree_, items_[at], TVE_EXPAND);
    // Opening a directory scrolls to its chapters; a book starts at the top of its tree.
    TreeView_SelectSetFirstVisible(tree_, TreeView_GetRoot(tree_));
    return true;
}

bool ChapterTree::select(size_t chapter) {
    const HTREEITEM item = itemFor(chapter);
    return item && TreeView_SelectItem(tree_, item);
}

std::optional<size_t> ChapterTree::onNotify(const NMHDR* header) {
    if (header->hwndFrom != tree_ || (header->code != TVN_ITEMEXPANDINGW && header->code != TVN_SELCHANGEDW))
        return std::nullopt;  // other notifications carry less than a tree view's
    const auto* change = reinterpret_cast<const NMTREEVIEWW*>(header);
    const auto chapter = size_t(change->itemNew.lParam);
    if (chapter >= items_.size()) return std::nullopt;
    if (header->code == TVN_SELCHANGEDW) return chapter;
    if (change->action == TVE_EXPAND) fill(chapter);
    return std::nullopt;
}

void ChapterTree::insert(size_t chapter, HTREEITEM parent) {
    const Chapter& entry = (*chapters_)[chapter];
    const std::wstring label = gbkToWide(entry.name);
    TVINSERTSTRUCTW insertion{};
    insertion.hParent = parent;
    insertion.hInsertAfter = TVI_LAST;
    insertion.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
    insertion.item.pszText = const_cast<wchar_t*>(label.c_str());
    insertion.item.iImage = imageOf(entry);
    insertion.item.iSelectedImage = entry.directory ? kDirectoryImage : imageOf(entry) + 1;
    insertion.item.cChildren = entry.children.empty() ? 0 : 1;  // the button shows before the children exist
    insertion.item.lParam = LPARAM(chapter);
    items_[chapter] =
        reinterpret_cast<HTREEITEM>(::SendMessageW(tree_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insertion)));
}

void ChapterTree::fill(size_t directory) {
    if (filled_[directory] || !items_[directory]) return;
    filled_[directory] = true;
    for (size_t child : (*chapters_)[directory].children) insert(child, items_[directory]);
}

HTREEITEM ChapterTree::itemFor(size_t chapter) {
    if (chapter >= items_.size()) return nullptr;
    // The directories from the top of the tree down to the chapter, each filled in turn.
    std::vector<size_t> way;
    for (size_t at = chapter; at < items_.size() && !items_[at]; at = (*chapters_)[at].parent) way.push_back(at);
    for (auto step = way.rbegin(); step != way.rend(); ++step) {
        const size_t parent = (*chapters_)[*step].parent;
        if (parent >= items_.size()) return nullptr;
        fill(parent);
    }
    return items_[chapter];
}

}  // namespace pgw::stub::win32
