#include "shell/WindowPageEditors.h"

#include "editors/CRTFView.h"
#include "editors/CWebBrowerView.h"
#include "editors/pictures/CPictureView.h"
#include "shell/CBiSplitterWnd.h"

namespace pgw::shell {

namespace {
constexpr int kContentPane = 1;
}

std::string WindowPageEditors::saveText() { return textView_.saveText(); }

void WindowPageEditors::loadText(std::string_view rtf) { textView_.loadText(rtf); }

bool WindowPageEditors::textUnchangedSinceExchange() const { return textView_.unchangedSinceExchange(); }

std::string WindowPageEditors::savePictures() { return pictureView_.savePictures(); }

void WindowPageEditors::loadPictures(std::string_view stored) { pictureView_.loadPictures(stored); }

void WindowPageEditors::loadWebPage(std::string_view stored) { webView_.loadPage(stored); }

book::PaneView WindowPageEditors::shownView() const {
    const int id = splitter_.GetPaneViewId(kContentPane);
    return id < 0 ? book::PaneView::None : book::PaneView(id);
}

void WindowPageEditors::showView(book::PaneView view) { splitter_.ShowView(int(view), kContentPane); }

void WindowPageEditors::textPageShown(book::NodeId item, const std::string& name) {
    textView_.bindCurrentPage(item, name);
}

}  // namespace pgw::shell
