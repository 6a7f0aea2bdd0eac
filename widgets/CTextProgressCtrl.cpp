#include "widgets/CTextProgressCtrl.h"

#include "platform/text/CodePage.h"
#include "widgets/ColourConversion.h"

#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <QEvent>

#include <cstdint>
#include <cstring>

namespace pgw {

CTextProgressCtrl::CTextProgressCtrl(QWidget* parent)
    : QProgressBar(parent),
      barColour_(colour::toColourRef(palette().color(QPalette::Highlight))),
      backgroundColour_(colour::toColourRef(palette().color(QPalette::Base))),
      textOverBackground_(barColour_),
      textOverBar_(backgroundColour_) {}

void CTextProgressCtrl::changeEvent(QEvent* event) {
    QProgressBar::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) followPalette();
}

void CTextProgressCtrl::followPalette() {
    const colour::ColourRef bar = colour::toColourRef(palette().color(QPalette::Highlight));
    const colour::ColourRef background = colour::toColourRef(palette().color(QPalette::Base));
    if (!(chosen_ & kBarChosen)) barColour_ = bar;
    if (!(chosen_ & kBackgroundChosen)) backgroundColour_ = background;
    if (!(chosen_ & kTextOverBackgroundChosen)) textOverBackground_ = bar;
    if (!(chosen_ & kTextOverBarChosen)) textOverBar_ = background;
    update();
}

void CTextProgressCtrl::SetRange(int32_t lower, int32_t upper) {
    lower_ = lower;
    upper_ = upper;
}

int64_t CTextProgressCtrl::scaled(int64_t scale) const {
    if (!hasRange()) return 0;
    // |position - lower| < 2^32 and the scales are widths or 100: well inside 64 bits.
    return (int64_t(position_) - lower_) * scale / (int64_t(upper_) - lower_);
}

int CTextProgressCtrl::filledWidth(int width) const {
    return int(std::clamp<int64_t>(scaled(width), 0, std::max(width, 0)));
}

QString CTextProgressCtrl::shownText() const {
    if (!customText_.isEmpty()) return customText_;
    return QStringLiteral("%1%").arg(scaled(100));
}

int32_t CTextProgressCtrl::SetPos(int32_t position) {
    const int32_t old = position_;
    position_ = position;
    // Unclamped, so a bar already full still shows 150%, then 200%.
    const int64_t width = scaled(contentsRect().width());
    if (width != drawnWidth_) {
        drawnWidth_ = width;
        repaint();
    }
    return old;
}

int32_t CTextProgressCtrl::StepIt() {
    // Stops at the ends of the 32-bit range instead of overflowing into the other sign.
    const int64_t next = int64_t(position_) + step_;
    return SetPos(int32_t(std::clamp<int64_t>(next, INT32_MIN, INT32_MAX)));
}

void CTextProgressCtrl::SetWindowText(const QString& text) {
    if (text == customText_) return;
    customText_ = text;
    update();
}

int CTextProgressCtrl::GetWindowText(char* buffer, int bufferSize) const {
    if (!buffer || bufferSize <= 0) return 0;
    std::string gbk;
    const auto result = text::utf8ToGbk(customText_.toStdString(), &gbk);
    (void)result;  // on failure `gbk` holds the text before the first character GBK lacks
    size_t end = 0;
    for (size_t i = 0; i < gbk.size();) {
        const size_t width = uint8_t(gbk[i]) >= 0x81 ? 2 : 1;
        if (i + width > size_t(bufferSize) - 1 || i + width > gbk.size()) break;
        i += width;
        end = i;
    }
    std::memcpy(buffer, gbk.data(), end);
    buffer[end] = '\0';
    return int(end);
}

void CTextProgressCtrl::resizeEvent(QResizeEvent* event) {
    QProgressBar::resizeEvent(event);
    drawnWidth_ = -1;
}

void CTextProgressCtrl::paintEvent(QPaintEvent*) {
    // An empty range draws nothing; what lies behind the bar shows through.
    if (!hasRange()) return;
    const QRect client = contentsRect();
    if (client.isEmpty()) return;
    // Drawn aside and copied in one piece, so the bar never flickers between its parts.
    QPixmap buffer(client.size() * devicePixelRatioF());
    buffer.setDevicePixelRatio(devicePixelRatioF());
    {
        QPainter offscreen(&buffer);
        offscreen.setFont(font());
        paintBar(offscreen, QRect(QPoint(0, 0), client.size()));
    }
    QPainter(this).drawPixmap(client.topLeft(), buffer);
}

void CTextProgressCtrl::paintBar(QPainter& painter, const QRect& client) const {
    const int split = client.left() + filledWidth(client.width());
    const QRect filled(client.left(), client.top(), split - client.left(), client.height());
    const QRect empty(split, client.top(), client.right() + 1 - split, client.height());
    painter.fillRect(filled, colour::toQColor(barColour_));
    painter.fillRect(empty, colour::toQColor(backgroundColour_));
    if (!showText_) return;
    // The same text twice, each copy clipped to its side of the edge.
    const QString shown = shownText();
    const int flags = Qt::AlignCenter | Qt::TextSingleLine;
    painter.setClipRect(filled);
    painter.setPen(colour::toQColor(textOverBar_));
    painter.drawText(client, flags, shown);
    painter.setClipRect(empty);
    painter.setPen(colour::toQColor(textOverBackground_));
    painter.drawText(client, flags, shown);
}

}  // namespace pgw
