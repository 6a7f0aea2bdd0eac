#pragma once
// One picture of a picture page: the image with its placement rectangle, alignment, zoom
// and selection. Qt-free; drawing lives in PictureDrawing.

#include "editors/pictures/BmpWriter.h"
#include "editors/pictures/PictureGeometry.h"
#include "editors/pictures/PictureImage.h"
#include "editors/pictures/PictureStream.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace pgw::pictures {

// Turns PNG bytes into pixels blended over white; the Qt side provides one.
using PngDecoder = std::function<std::optional<RgbImage>(std::string_view png)>;

enum class LoadFileResult { Loaded, NoSuchFile, Unreadable, TooLarge, NotAPicture, PngNotSupported };
std::string_view describe(LoadFileResult result);

// What the surface a picture moves on does for it.
class PictureSurface {
public:
    virtual ~PictureSurface() = default;
    virtual DeviceContext deviceContext() const = 0;  // as prepared for drawing
    virtual void invalidate(const PictureRect& device) = 0;
    virtual void updateNow() = 0;
};

// Where and how a picture is drawn on a device: the result of the alignment rules.
struct DrawPlan {
    bool drawImage = false;
    PictureRect imageRect;    // logical
    bool drawTracker = false;
    PictureRect trackerRect;  // device
};

class CPictureObj {
public:
    CPictureObj() = default;

    // A deep copy, made the way the picture object copies itself: saved and loaded back.
    void copyFrom(const CPictureObj& other);
    void save(std::string& out) const;
    ReadStatus load(PictureStreamReader& in);

    // Reads a JPEG, bitmap, GIF or icon file; a PNG file is converted to a bitmap by
    // `png` when given. The image is released first, whatever happens.
    LoadFileResult loadFromFile(const std::string& path, const PngDecoder& png = {});
    // Takes the bytes of a picture file, as loadFromFile does after reading it.
    LoadFileResult loadFromBytes(std::string bytes, const PngDecoder& png = {});
    // Places the picture at its natural screen size with its top left at (x, y).
    void placeAtNaturalSize(int32_t x, int32_t y);

    bool hasImage() const { return m_picture.has_value(); }
    // The image's size in the device's units; 0 x 0 without an image.
    PixelSize getSize(const DeviceContext& dc) const;
    DrawPlan planDraw(const DeviceContext& dc) const;

    void recomputeZoom();
    void zoomIn();
    void zoomOut();
    void moveTo(const PictureRect& rect, PictureSurface& view);

    std::optional<PictureImage> m_picture;
    int32_t m_nHAlign = 0;  // 0 left, 1 centre, 2 right
    int32_t m_nVAlign = 0;  // 0 top, 2 bottom, anything else centre
    int32_t m_bSelected = 0;
    int32_t m_bVisible = 1;
    PictureRect m_rcPos;
    int32_t m_nTrackerStyle = 4;  // hatched border
    PictureRect m_rcBase;         // the rectangle at 100 % on both axes
    int32_t m_nZoomX = 100;
    int32_t m_nZoomY = 100;
    std::string m_strPath;  // never stored

private:
    void applyZoom();
};

inline constexpr int32_t kMinZoom = 10;
inline constexpr int32_t kMaxZoom = 500;
inline constexpr int32_t kZoomStep = 10;

}  // namespace pgw::pictures
