#include "editors/CWebBrowerView.h"

#include "editors/WebPageContent.h"
#include "widgets/CHoverButton.h"

#include <QResizeEvent>
#include <QTextDocument>

#include <algorithm>

namespace pgw::editors {

namespace {

// An embedded resource: "data:[type][;base64],payload". Anything malformed gives nothing.
QVariant decodeDataUrl(const QUrl& url) {
    const QByteArray dataPart = url.toEncoded(QUrl::RemoveScheme);
    const qsizetype comma = dataPart.indexOf(',');
    if (comma < 0) return {};
    const QByteArray header = dataPart.left(comma);
    const QByteArray payload = QByteArray::fromPercentEncoding(dataPart.mid(comma + 1));
    if (!header.endsWith(";base64")) return payload;
    auto decoded = QByteArray::fromBase64Encoding(payload, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) return {};
    return *decoded;
}

}  // namespace

QRect WebViewLayout::button(QSize client, int currentTop) {
    return QRect(QPoint(client.width() - kButtonRightGap, currentTop), kButtonSize);
}

QRect WebViewLayout::page(QSize client) {
    return QRect(kPageOrigin, QSize(std::max(0, client.width() - kPageRightBottomMargin),
                                    std::max(0, client.height() - kPageOrigin.y() - kPageRightBottomMargin)));
}

PageBrowser::PageBrowser(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setSearchPaths({});
}

QVariant PageBrowser::loadResource(int, const QUrl& name) {
    if (name.scheme() == QLatin1String("data")) {
        QVariant decoded = decodeDataUrl(name);
        if (decoded.isValid()) return decoded;
    }
    refused_.push_back(name);
    return {};
}

CWebBrowerView::CWebBrowerView(QWidget* parent)
    : QWidget(parent),
      returnButton_(new CHoverButton(QStringLiteral("返回上一界面"), CHoverButton::kPushButton, this)),
      browser_(new PageBrowser(this)) {
    returnButton_->setObjectName(QStringLiteral("returnButton"));
    returnButton_->setProperty("controlId", kReturnButtonId);
    returnButton_->SetColour(CHoverButton::BackgroundHot, kButtonHotBackground, true);
    returnButton_->SetColour(CHoverButton::BackgroundNormal, kButtonBackground, true);
    returnButton_->SetColour(CHoverButton::BackgroundFocused, kButtonBackground, true);
    returnButton_->SetDrawBorder(true, true);
    // The button's command has no handler anywhere: a click changes nothing.
    browser_->setObjectName(QStringLiteral("pageBrowser"));
    browser_->setProperty("controlId", kBrowserId);
    // Until the first resize: the button where it starts, the page for an empty client.
    returnButton_->setGeometry(QRect(WebViewLayout::kButtonAtCreation, QSize(0, 0)));
    browser_->setGeometry(WebViewLayout::page(QSize()));
}

void CWebBrowerView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOut(event->size());
}

void CWebBrowerView::layOut(QSize client) {
    returnButton_->setGeometry(WebViewLayout::button(client, returnButton_->y()));
    returnButton_->raise();
    browser_->setGeometry(WebViewLayout::page(client));
    browser_->raise();
}

void showWebPage(PageBrowser& browser, std::string_view stored) {
    browser.forgetRefused();
    if (stored.empty()) {
        browser.clear();
        return;
    }
    const QString html = decodeWebPage(stored);
    if (tooDeepToLayOut(html)) {
        browser.setPlainText(QStringLiteral("这个网页的结构嵌套太深，无法显示，下面是它的原文。\n\n") + html);
    } else {
        browser.setHtml(html);
    }
    browser.moveCursor(QTextCursor::Start);
}

void CWebBrowerView::loadPage(std::string_view stored) { showWebPage(*browser_, stored); }

void CWebBrowerView::clearPage() { browser_->clear(); }

}  // namespace pgw::editors
