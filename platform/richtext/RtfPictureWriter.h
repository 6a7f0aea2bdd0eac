#pragma once
// A picture as an RTF \pict group (internal to the writer).

#include <string>

#include "platform/richtext/RichDocument.h"

namespace pgw::richtext::detail {

// Hex digits per line of picture data; lines end in CRLF, as rich edit controls write them.
inline constexpr size_t kPictureHexLineLength = 128;

// Appends {\pict<type>\picwW\pichH\picwgoalW\pichgoalH CRLF <hex lines>}. The display size
// goes into the goals, so no scaling is written.
void appendPicture(const Picture& picture, std::string* out);

}  // namespace pgw::richtext::detail
