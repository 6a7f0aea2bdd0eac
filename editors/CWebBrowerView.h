#pragma once
// The right-hand view for web pages: the page's HTML shown read-only, and a return button
// in the band above it. The view never goes to the network or the disk: the page comes
// from its stream in the book, and any resource it names outside itself (remote or local
// images, style sheets) is refused. Links do nothing.

#include <QRect>
#include <QSize>
#include <QTextBrowser>
#include <QUrl>

#include <string_view>
#include <vector>

namespace pgw {
class CHoverButton;
}

namespace pgw::editors {

// Where the return button and the page go in a client area of a given size.
struct WebViewLayout {
    static constexpr QPoint kButtonAtCreation{400, 15};
    static constexpr QSize kButtonSize{110, 25};
    static constexpr int kButtonRightGap = 130;
    static constexpr QPoint kPageOrigin{5, 45};
    static constexpr int kPageRightBottomMargin = 10;  // width cx - 10, height cy - 55 from y 45

    // The button keeps its top; the page's size never goes below zero.
    static QRect button(QSize client, int currentTop);
    static QRect page(QSize client);
};

// The page area: a text browser that loads nothing but data: URLs embedded in the page.
class PageBrowser : public QTextBrowser {
public:
    explicit PageBrowser(QWidget* parent = nullptr);

    QVariant loadResource(int type, const QUrl& name) override;
    // Every resource the page asked for and did not get, in order.
    const std::vector<QUrl>& refusedResources() const { return refused_; }
    void forgetRefused() { refused_.clear(); }

private:
    std::vector<QUrl> refused_;
};

// Shows a web page's stored content in a browser; empty content shows an empty page.
void showWebPage(PageBrowser& browser, std::string_view stored);

class CWebBrowerView : public QWidget {
public:
    static constexpr int kViewId = 3;
    static constexpr int kReturnButtonId = 1000;
    static constexpr int kBrowserId = 59648;
    static constexpr uint32_t kButtonHotBackground = 0xFBE5DA;
    static constexpr uint32_t kButtonBackground = 0xFAFAFA;

    explicit CWebBrowerView(QWidget* parent = nullptr);

    // Shows a web page's stored content; empty content shows an empty page.
    void loadPage(std::string_view stored);
    void clearPage();

    CHoverButton* returnButton() const { return returnButton_; }
    PageBrowser* browser() const { return browser_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layOut(QSize client);

    CHoverButton* returnButton_;
    PageBrowser* browser_;
};

}  // namespace pgw::editors
