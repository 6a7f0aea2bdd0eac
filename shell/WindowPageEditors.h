#pragma once
// The page editors as the window has them: the text view for text pages, the splitter's
// right-hand pane for the view on show, the picture view's list for picture pages, and
// the web view, which only shows its pages.

#include "book/PageEditors.h"

namespace pgw {
class CBiSplitterWnd;
}
namespace pgw::editors {
class CRTFView;
class CPictureView;
class CWebBrowerView;
}

namespace pgw::shell {

class WindowPageEditors : public book::PageEditors {
public:
    WindowPageEditors(editors::CRTFView& textView, editors::CPictureView& pictureView,
                      editors::CWebBrowerView& webView, CBiSplitterWnd& splitter)
        : textView_(textView), pictureView_(pictureView), webView_(webView), splitter_(splitter) {}

    std::string saveText() override;
    void loadText(std::string_view rtf) override;
    bool textUnchangedSinceExchange() const override;
    std::string savePictures() override;
    void loadPictures(std::string_view stored) override;
    void loadWebPage(std::string_view stored) override;
    book::PaneView shownView() const override;
    void showView(book::PaneView view) override;
    void textPageShown(book::NodeId item, const std::string& name) override;

private:
    editors::CRTFView& textView_;
    editors::CPictureView& pictureView_;
    editors::CWebBrowerView& webView_;
    CBiSplitterWnd& splitter_;
};

}  // namespace pgw::shell
