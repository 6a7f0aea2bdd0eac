#include "preview/PreviewPages.h"

#include "editors/CWebBrowerView.h"
#include "editors/PageLoader.h"
#include "editors/pictures/PictureDrawing.h"
#include "stub/reader/CompiledBook.h"
#include "stub/reader/PageCheck.h"

#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QTextBrowser>
#include <QTextDocument>

namespace pgw::preview {

namespace {
// The page the picture view edits on: pictures are placed on it the same way here.
constexpr int kPictureWidth = 800;
constexpr int kPictureHeight = 600;
}  // namespace

// The picture page as the picture view draws it, without selection or mouse editing.
class PicturePage : public QWidget {
public:
    PicturePage(const pictures::CPictureObjList& list, QWidget* parent) : QWidget(parent), list_(list) {
        setFixedSize(kPictureWidth, kPictureHeight);
        setAutoFillBackground(true);
        QPalette palette = this->palette();
        palette.setColor(QPalette::Window, Qt::white);
        setPalette(palette);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        pictures::DeviceContext dc;
        dc.clipBox = {0, 0, kPictureWidth, kPictureHeight};
        pictures::drawAllPictures(painter, list_, dc);
    }

private:
    const pictures::CPictureObjList& list_;
};

PreviewPages::PreviewPages(const stub::CompiledBook& book, QWidget* parent)
    : QStackedWidget(parent),
      book_(book),
      text_(new editors::PageBrowser(this)),  // loads nothing from outside the page either
      web_(new editors::PageBrowser(this)),
      pictureScroll_(new QScrollArea(this)),
      pictureCanvas_(new PicturePage(pictures_, pictureScroll_)),
      notice_(new QLabel(this)),
      empty_(new QWidget(this)),
      loader_(new editors::PageLoader(
          [this](std::unique_ptr<QTextDocument> document, const std::string&) {
              editors::showWholePage(*text_, std::exchange(openingShown_, false),
                                     [&] { takeDocument(std::move(document)); });
          },
          [this](std::unique_ptr<QTextDocument> opening) {
              takeDocument(std::move(opening));
              openingShown_ = true;
          },
          this)) {
    pictureScroll_->setWidget(pictureCanvas_);
    notice_->setAlignment(Qt::AlignCenter);
    notice_->setWordWrap(true);
    notice_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    for (QWidget* page : {empty_, static_cast<QWidget*>(text_), static_cast<QWidget*>(web_),
                          static_cast<QWidget*>(pictureScroll_), static_cast<QWidget*>(notice_)})
        addWidget(page);
    setCurrentWidget(empty_);
}

PreviewPages::~PreviewPages() = default;

QWidget* PreviewPages::picturePage() const { return pictureScroll_; }

QString PreviewPages::notice() const { return currentWidget() == notice_ ? notice_->text() : QString(); }

void PreviewPages::showChapter(size_t chapter) {
    if (chapter >= book_.chapters().size() || !book_.chapters()[chapter].isPage()) {
        setCurrentWidget(empty_);
        return;
    }
    switch (book_.chapters()[chapter].type) {
    case book::NodeType::Text: showText(chapter); break;
    case book::NodeType::Picture: showPictures(chapter); break;
    case book::NodeType::Web: showWeb(chapter); break;
    default: setCurrentWidget(empty_); break;
    }
}

// A text page the reader's own check calls damaged is not shown half-read.
void PreviewPages::showText(size_t chapter) {
    std::string rtf;
    stub::BookStatus status = book_.readTextPage(chapter, &rtf);
    if (status.ok() && stub::checkTextPage(rtf) != stub::PageFault::None)
        status = stub::BookStatus::failure(stub::BookError::DamagedTextPage,
                                           stub::nameForMessage(book_.chapters()[chapter].name));
    if (!status.ok()) return showNotice(status.message);
    text_->clear();
    openingShown_ = false;
    setCurrentWidget(text_);
    loader_->start(std::move(rtf));
}

void PreviewPages::takeDocument(std::unique_ptr<QTextDocument> document) {
    // The browser deletes a document of its own making; the ones handed over are ours.
    QTextDocument* previous = text_->document();
    if (previous && previous->parent() != text_) previous = nullptr;
    document->setParent(text_);
    text_->setDocument(document.release());
    delete previous;
    text_->moveCursor(QTextCursor::Start);
}

void PreviewPages::showPictures(size_t chapter) {
    const stub::BookStatus status = book_.readPicturePage(chapter, &pictures_);
    if (!status.ok()) {
        pictures_.deleteAll();
        return showNotice(status.message);
    }
    pictureCanvas_->update();
    setCurrentWidget(pictureScroll_);
}

void PreviewPages::showWeb(size_t chapter) {
    std::string stored;
    if (const stub::BookStatus status = book_.readPageBytes(chapter, &stored); !status.ok())
        return showNotice(status.message);
    editors::showWebPage(*web_, stored);
    setCurrentWidget(web_);
}

void PreviewPages::showNotice(const std::string& text) {
    notice_->setText(QString::fromStdString(text));
    setCurrentWidget(notice_);
}

}  // namespace pgw::preview
