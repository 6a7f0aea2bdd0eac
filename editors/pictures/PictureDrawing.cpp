#include "editors/pictures/PictureDrawing.h"

#include <QBrush>
#include <QPainter>
#include <QPen>

namespace pgw::pictures {
namespace {

constexpr int kTrackerBorder = 4;
constexpr int32_t kSolidLine = 1, kDottedLine = 2, kHatchedBorder = 4;

QRect toQRect(const PictureRect& rect) {
    const PictureRect r = rect.normalized();
    return QRect(QPoint(r.left, r.top), QSize(int(r.width()), int(r.height())));
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
        const QBrush hatch(Qt::black, Qt::BDiagPattern);
        painter.fillRect(QRect(outer.left(), outer.top(), outer.width(), kTrackerBorder), hatch);
        painter.fillRect(QRect(outer.left(), rect.bottom() + 1, outer.width(), kTrackerBorder), hatch);
        painter.fillRect(QRect(outer.left(), rect.top(), kTrackerBorder, rect.height()), hatch);
        painter.fillRect(QRect(rect.right() + 1, rect.top(), kTrackerBorder, rect.height()), hatch);
    }
    if (style & (kSolidLine | kDottedLine)) {
        painter.setPen(QPen(Qt::black, 1, (style & kDottedLine) ? Qt::DotLine : Qt::SolidLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }
    painter.restore();
}

}  // namespace pgw::pictures
