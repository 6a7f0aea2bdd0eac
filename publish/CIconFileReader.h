#pragma once
// A Windows icon file (.ico) read into memory: its directory as in the file and the raw
// bytes of every image, with the offsets of each image's bitmap parts. The publish form
// previews the first image; the compiler writes the images into the executable.
//
// Bounded against damaged files: the header is checked before anything is allocated,
// every image must lie inside the file, and the derived offsets never point past an
// image's bytes.

#include "platform/ui/UserInterface.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pgw::publish {

struct IconDirectoryEntry {
    uint8_t width, height, colourCount, reserved;
    uint16_t planes, bitCount;
    uint32_t bytesInRes, imageOffset;
};

// One image. `headerOffset`, `colourBitsOffset` and `maskBitsOffset` index `bits` and
// are at most `bits.size()` (an offset equal to the size means the part is missing).
struct IconImageEntry {
    int32_t width, height, colours;
    std::vector<uint8_t> bits;
    uint32_t byteCount;
    size_t headerOffset, colourBitsOffset, maskBitsOffset;
};

class CIconFileReader {
public:
    // Shows "读图标文件时出错!", "读图标内容出错!", "图标内部格式转换出错!" (caption: the path).
    bool ReadIconFile(const std::string& path, ui::UserInterface& ui);
    // The same from bytes already in memory; `caption` names them in messages.
    bool ReadIconBytes(std::span<const uint8_t> file, const std::string& caption, ui::UserInterface& ui);
    void ResetIconFile();
    bool loaded() const { return loaded_; }
    const std::vector<IconDirectoryEntry>& directory() const { return directory_; }
    const std::vector<IconImageEntry>& images() const { return images_; }

    // The images as an .ico file again: header, directory (offsets recomputed), images.
    std::vector<uint8_t> iconFileBytes() const;

private:
    std::vector<IconDirectoryEntry> directory_;
    std::vector<IconImageEntry> images_;
    bool loaded_ = false;
};

// 6 + 14n bytes from the reader's directory, IDs 1..n.
// An .ico file of these entries and image bytes (as many as both have). Each entry's byte
// count is the stored bytes', not the directory's claim, so a decoder never reads past them.
std::vector<uint8_t> icoFileBytes(std::span<const IconDirectoryEntry> entries,
                                  std::span<const std::span<const uint8_t>> images);
// Whether an image inside an .ico is a PNG rather than a bitmap.
bool isPngImage(std::span<const uint8_t> bits);

std::vector<uint8_t> BuildGroupIconDirectory(const CIconFileReader&);

}  // namespace pgw::publish
