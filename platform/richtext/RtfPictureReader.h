#pragma once
// Collects one \pict group: its type, sizes and data (hex or \bin), and turns it into a
// Picture. Types this program cannot show are left out and say why; device-dependent bitmaps
// become packed DIBs; a size the group leaves out is found in the data.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/richtext/RichDocument.h"
#include "platform/richtext/RtfReaderKeywords.h"

namespace pgw::richtext::detail {

class RtfPictureReader {
public:
    static constexpr size_t kMaxPictureBytes = size_t(64) << 20;

    // Type words (\pngblip, \wmetafile8, ...) and size words (\picw, \picwgoal, ...).
    void setWord(Keyword keyword, bool hasParameter, int32_t parameter);
    // Hex digits; anything else (line breaks, spaces) is ignored.
    void addHex(std::string_view text);
    void addBinary(std::string_view bytes);

    // The picture, or nothing for unknown or unconvertible types, damaged or oversized
    // data; then `problem()` says why.
    std::optional<Picture> finish();
    std::string_view problem() const { return problem_; }

private:
    enum class Type { Unknown, Png, Jpeg, Dib, DeviceBitmap, Metafile, Emf };

    bool room(size_t more);
    std::optional<std::string> deviceBitmapAsDib() const;
    std::optional<Picture> leaveOut(std::string_view why);

    Type type_ = Type::Unknown;
    int32_t mapMode_ = 8;
    int32_t width_ = 0, height_ = 0;
    int32_t widthGoal_ = 0, heightGoal_ = 0;
    int32_t scaleX_ = 100, scaleY_ = 100;
    int32_t bitsPerPixel_ = 1, planes_ = 1, widthBytes_ = 0;
    std::string data_;
    int pendingNibble_ = -1;
    bool tooLarge_ = false;
    std::string_view problem_;
};

}  // namespace pgw::richtext::detail
