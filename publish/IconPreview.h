#pragma once
// The publish form's preview of the chosen icon, made from the first image of the .ico
// file the icon reader holds.

#include <QIcon>

#include <cstdint>
#include <vector>

namespace pgw::publish {

class CIconFileReader;
struct IconDirectoryEntry;

// Null when the reader holds no image or the first one cannot be decoded.
QIcon CreatePreviewIcon(const CIconFileReader& icons);

// One image of an .ico file (its directory entry and its stored bytes) as an .ico file of
// its own, which Qt's icon decoder reads whether the image is a DIB or a PNG.
std::vector<uint8_t> singleImageIcoFile(const IconDirectoryEntry& entry, const std::vector<uint8_t>& bits);

}  // namespace pgw::publish
