#pragma once
// The right-hand side of the preview: the page of one chapter as the reader shows it. Text
// pages through the rich-text bridge, picture pages drawn where the picture view places
// them, web pages offline as formatted HTML; a page that cannot be read says why in its
// place, and the rest of the book stays readable. Nothing here edits anything.

#include "editors/pictures/CPictureObjList.h"

#include <QStackedWidget>

#include <memory>
#include <string>

class QLabel;
class QTextDocument;
class QScrollArea;
class QTextBrowser;

namespace pgw::editors {
class PageBrowser;
class PageLoader;
}
namespace pgw::stub {
class CompiledBook;
}

namespace pgw::preview {

class PicturePage;

class PreviewPages : public QStackedWidget {
public:
    explicit PreviewPages(const stub::CompiledBook& book, QWidget* parent = nullptr);
    ~PreviewPages() override;

    // Shows the chapter's page; a directory shows an empty pane.
    void showChapter(size_t chapter);

    QTextBrowser* textPage() const { return text_; }
    editors::PageBrowser* webPage() const { return web_; }
    QWidget* picturePage() const;
    const pictures::CPictureObjList& pictures() const { return pictures_; }
    // What the pane says instead of a page (a damaged or missing page); empty otherwise.
    QString notice() const;

private:
    void showText(size_t chapter);
    void showPictures(size_t chapter);
    void showWeb(size_t chapter);
    void showNotice(const std::string& text);
    void takeDocument(std::unique_ptr<QTextDocument> document);

    const stub::CompiledBook& book_;
    pictures::CPictureObjList pictures_;  // the picture page on show
    QTextBrowser* text_;
    editors::PageBrowser* web_;
    QScrollArea* pictureScroll_;
    PicturePage* pictureCanvas_;
    QLabel* notice_;
    QWidget* empty_;
    editors::PageLoader* loader_;
    bool openingShown_ = false;  // the text page shows the opening of a page still loading
};

}  // namespace pgw::preview
