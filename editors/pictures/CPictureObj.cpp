#include "editors/pictures/CPictureObj.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace pgw::pictures {
namespace {

// The record's fifteen items, in stored order.
std::array<int32_t*, kRecordItems> recordFields(CPictureObj& o) {
    return {&o.m_nHAlign,       &o.m_nVAlign,       &o.m_bSelected,      &o.m_bVisible,     &o.m_rcPos.left,
            &o.m_rcPos.top,     &o.m_rcPos.right,   &o.m_rcPos.bottom,   &o.m_nTrackerStyle, &o.m_rcBase.left,
            &o.m_rcBase.top,    &o.m_rcBase.right,  &o.m_rcBase.bottom,  &o.m_nZoomX,       &o.m_nZoomY};
}

bool isStoredFormat(PictureFormat format) {
    return format == PictureFormat::Jpeg || format == PictureFormat::Bmp || format == PictureFormat::Gif ||
           format == PictureFormat::Icon;
}

// New edge for a zoomed extent: the edge that comes first stays where it is.
void zoomEdges(int32_t& low, int32_t& high, int32_t extent, bool lowStays) {
    if (lowStays)
        high = clampToInt32(int64_t(low) + extent);
    else
        low = clampToInt32(int64_t(high) + extent);
}

}  // namespace

std::string_view describe(LoadFileResult result) {
    switch (result) {
        case LoadFileResult::Loaded: return "loaded";
        case LoadFileResult::NoSuchFile: return "no such file";
        case LoadFileResult::Unreadable: return "cannot be read";
        case LoadFileResult::TooLarge: return "too large for a picture (over 256 MB)";
        case LoadFileResult::NotAPicture: return "not a JPEG, bitmap, GIF, icon or PNG picture, or a damaged one";
        case LoadFileResult::PngNotSupported: return "a PNG picture, which this build cannot convert";
    }
    return "cannot be read";
}

void CPictureObj::save(std::string& out) const {
    for (int32_t* field : recordFields(const_cast<CPictureObj&>(*this))) writeItem(out, *field);
    writeItem(out, hasImage() ? int32_t(m_picture->bytes().size()) : 0);
    if (hasImage()) out += m_picture->bytes();
}

ReadStatus CPictureObj::load(PictureStreamReader& in) {
    m_picture.reset();
    PictureItem item;
    for (int32_t* field : recordFields(*this)) {
        if (const ReadStatus status = in.readItem(&item); status != ReadStatus::Ok) return status;
        *field = item.value;
    }
    if (const ReadStatus status = in.readItem(&item); status != ReadStatus::Ok) return status;
    if (item.value <= 0) return ReadStatus::Ok;
    // Bytes the stream does not hold leave the picture without an image, as a failed
    // picture load does; the position still moves past them, so what follows is damaged.
    std::string_view bytes;
    if (in.readBytes(uint64_t(item.value), &bytes))
        m_picture.emplace(std::string(bytes));
    else
        in.skip(uint64_t(item.value));
    return ReadStatus::Ok;
}

void CPictureObj::copyFrom(const CPictureObj& other) {
    std::string stored;
    other.save(stored);
    PictureStreamReader in(stored);
    load(in);
}

LoadFileResult CPictureObj::loadFromFile(const std::string& path, const PngDecoder& png) {
    m_strPath = path;
    m_picture.reset();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return LoadFileResult::NoSuchFile;
    if (std::filesystem::file_size(path, ec) > kMaxPictureBytes) return LoadFileResult::TooLarge;
    std::ifstream file(path, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (!file || file.bad()) return LoadFileResult::Unreadable;
    return loadFromBytes(std::move(bytes), png);
}

LoadFileResult CPictureObj::loadFromBytes(std::string bytes, const PngDecoder& png) {
    m_picture.reset();
    if (bytes.size() > kMaxPictureBytes) return LoadFileResult::TooLarge;
    const PictureFormat format = sniffFormat(bytes);
    if (format == PictureFormat::Png) {
        if (!png) return LoadFileResult::PngNotSupported;
        const auto pixels = png(bytes);
        auto bitmap = pixels ? bmpFileFromRgb(*pixels) : std::nullopt;
        if (!bitmap) return LoadFileResult::NotAPicture;
        bytes = std::move(*bitmap);
    }
    PictureImage image(std::move(bytes));
    if (!isStoredFormat(image.format()) || !image.sizeKnown()) return LoadFileResult::NotAPicture;
    m_picture.emplace(std::move(image));
    return LoadFileResult::Loaded;
}

void CPictureObj::placeAtNaturalSize(int32_t x, int32_t y) {
    const PixelSize size = getSize(DeviceContext{});
    m_rcPos = {x, y, clampToInt32(int64_t(x) + size.width), clampToInt32(int64_t(y) + size.height)};
    m_rcBase = m_rcPos;
    recomputeZoom();
}

PixelSize CPictureObj::getSize(const DeviceContext& dc) const {
    if (!hasImage()) return {};
    const HimetricSize himetric = m_picture->himetric();
    return {mulDiv(himetric.cx, dc.dpiX, kHimetricPerInch), mulDiv(himetric.cy, dc.dpiY, kHimetricPerInch)};
}

DrawPlan CPictureObj::planDraw(const DeviceContext& dc) const {
    DrawPlan plan;
    if (!hasImage()) return plan;
    const PixelSize size = getSize(dc);
    PictureRect rect = m_rcPos.isEmpty() ? PictureRect{0, 0, size.width, size.height} : m_rcPos;
    const PictureRect& clip = dc.clipBox;
    // Division truncates toward zero, as the alignment was always computed.
    int64_t dx = 0, dy = 0;
    if (m_nHAlign == 1) dx = (int64_t(clip.right) - size.width - clip.left) / 2;
    if (m_nHAlign == 2) dx = int64_t(clip.right) - size.width - clip.left;
    if (m_nVAlign == 2) dy = int64_t(clip.bottom) - clip.top - size.height;
    else if (m_nVAlign != 0) dy = (int64_t(clip.bottom) - clip.top - size.height) / 2;
    rect = rect.offset(dx, dy);
    plan.drawImage = m_bVisible != 0;
    plan.imageRect = rect;
    plan.drawTracker = m_bSelected != 0 && !dc.printing;
    plan.trackerRect = dc.toDevice(rect);
    return plan;
}

void CPictureObj::recomputeZoom() {
    m_nZoomX = mulDiv(m_rcPos.width(), 100, m_rcBase.width());
    m_nZoomY = mulDiv(m_rcPos.height(), 100, m_rcBase.height());
}

void CPictureObj::zoomIn() {
    recomputeZoom();
    if (m_nZoomX < kMaxZoom) m_nZoomX += kZoomStep;
    if (m_nZoomY < kMaxZoom) m_nZoomY += kZoomStep;
    applyZoom();
}

void CPictureObj::zoomOut() {
    recomputeZoom();
    m_nZoomX = std::max(m_nZoomX - kZoomStep, kMinZoom);
    m_nZoomY = std::max(m_nZoomY - kZoomStep, kMinZoom);
    applyZoom();
}

void CPictureObj::applyZoom() {
    const int32_t width = mulDiv(m_rcBase.width(), m_nZoomX, 100);
    const int32_t height = mulDiv(m_rcBase.height(), m_nZoomY, 100);
    zoomEdges(m_rcPos.left, m_rcPos.right, width, m_rcPos.left <= m_rcPos.right);
    zoomEdges(m_rcPos.top, m_rcPos.bottom, height, m_rcPos.top < m_rcPos.bottom);
}

void CPictureObj::moveTo(const PictureRect& rect, PictureSurface& view) {
    if (rect == m_rcPos) return;
    const DeviceContext dc = view.deviceContext();
    constexpr int32_t kTrackerMargin = 8;  // the tracker's border and handles lie outside the picture
    view.invalidate(dc.toDevice(m_rcPos).inflated(kTrackerMargin, kTrackerMargin));
    m_rcPos = rect;
    view.invalidate(dc.toDevice(m_rcPos).inflated(kTrackerMargin, kTrackerMargin));
    view.updateNow();
}

}  // namespace pgw::pictures
