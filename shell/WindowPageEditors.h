#pragma once
// The page editors as the window has them: the text view for text pages, the splitter's
// right-hand pane for the view on show. Picture pages keep their stored form until the
// picture view takes them.

#include "book/PageEditors.h"

namespace pgw {
class CBiSplitterWnd;
}
namespace pgw::editors {
class CRTFView;
}

namespace pgw::shell {

class WindowPageEditors : public book::PageEditors {
public:
    WindowPageEditors(editors::CRTFView& textView, CBiSplitterWnd& splitter)
        : textView_(textView), splitter_(splitter) {}

    std::string saveText() override;
    void loadText(std::string_view rtf) override;
    std::string savePictures() override { return pictures_; }
    void loadPictures(std::string_view stored) override { pictures_ = stored; }
    book::PaneView shownView() const override;
    void showView(book::PaneView view) override;
    void textPageShown(tree::ItemId item, const std::string& name) override;

private:
    editors::CRTFView& textView_;
    CBiSplitterWnd& splitter_;
    std::string pictures_;
};

}  // namespace pgw::shell
