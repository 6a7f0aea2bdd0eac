#include "editors/pictures/PictureDrawing.h"

#include <QBrush>
#include <QImage>
#include <QPainter>

namespace pgw::pictures {
namespace {

constexpr int kTrackerBorder = 4;
constexpr int32_t kSolidLine = 1, kDottedLine = 2, kHatchedBorder = 4;

QRect toQRect(const PictureRect& rect) {
    const PictureRect r = rect.normalized();
    return QRect(QPoint(r.left, r.top), QSize(int(r.width()), int(r.height())));
}

// Black lines rising to the right, eight pixels apart. A tile rather than Qt's own hatch
// pattern, which stays in device pixels: at scale 2 its lines came out hair-thin and twice as
// many.
QImage hatchTile() {
    constexpr int kSpacing = 8;
    QImage tile(kSpacing, kSpacing, QImage::Format_ARGB32_Premultiplied);
    tile.fill(Qt::transparent);
    for (int i = 0; i < kSpacing; ++i) tile.setPixel(kSpacing - 1 - i, i, qRgb(0, 0, 0));
    return tile;
}

// The frame lines are filled, one whole pixel each: a stroked one-pixel pen straddles two
// device pixels at a scale factor of 2 and leaves its own half bare.
void drawSolidFrame(QPainter& painter, const QRect& r) {
    painter.fillRect(r.left(), r.top(), r.width(), 1, Qt::black);
    painter.fillRect(r.left(), r.bottom(), r.width(), 1, Qt::black);
    painter.fillRect(r.left(), r.top(), 1, r.height(), Qt::black);
    painter.fillRect(r.right(), r.top(), 1, r.height(), Qt::black);
}

// Every other pixel, in a checkerboard phase so the dots meet at the corners.
void drawDottedFrame(QPainter& painter, const QRect& r) {
    const auto dot = [&painter](int x, int y) {
        if (((x + y) & 1) == 0) painter.fillRect(x, y, 1, 1, Qt::black);
    };
    for (int x = r.left(); x <= r.right(); ++x) {
        dot(x, r.top());
        dot(x, r.bottom());
    }
    for (int y = r.top() + 1; y < r.bottom(); ++y) {
        dot(r.left(), y);
        dot(r.right(), y);
    }
}

}  // namespace

QImage decodePicture(const PictureImage& image) {
    QImage decoded;
    if (image.format() == PictureFormat::Unknown) return decoded;
    const QByteArray data = QByteArray::fromRawData(image.bytes().data(), qsizetype(image.bytes().size()));
    decoded.loadFromData(data, std::string(formatName(image.format())).c_str());
    return decoded;
}

void drawPicture(QPainter& painter, const CPictureObj& picture, const DeviceContext& dc) {
    const DrawPlan plan = picture.planDraw(dc);
    if (plan.drawImage) {
        const QImage image = decodePicture(*picture.m_picture);
        if (!image.isNull()) painter.drawImage(toQRect(dc.toDevice(plan.imageRect)), image);
    }
    if (plan.drawTracker) drawTracker(painter, plan.trackerRect, picture.m_nTrackerStyle);
}

void drawAllPictures(QPainter& painter, const CPictureObjList& pictures, const DeviceContext& dc) {
    for (const auto& picture : pictures) drawPicture(painter, *picture, dc);
}

void drawTracker(QPainter& painter, const PictureRect& device, int32_t style) {
    const QRect rect = toQRect(device);
    painter.save();
    if (style & kHatchedBorder) {
        const QRect outer = rect.adjusted(-kTrackerBorder, -kTrackerBorder, kTrackerBorder, kTrackerBorder);
        const QBrush hatch(hatchTile());
        painter.fillRect(QRect(outer.left(), outer.top(), outer.width(), kTrackerBorder), hatch);
        painter.fillRect(QRect(outer.left(), rect.bottom() + 1, outer.width(), kTrackerBorder), hatch);
        painter.fillRect(QRect(outer.left(), rect.top(), kTrackerBorder, rect.height()), hatch);
        painter.fillRect(QRect(rect.right() + 1, rect.top(), kTrackerBorder, rect.height()), hatch);
    }
    if (style & kDottedLine) {
        drawDottedFrame(painter, rect);
    } else if (style & kSolidLine) {
        drawSolidFrame(painter, rect);
    }
    painter.restore();
}

}  // namespace pgw::pictures
