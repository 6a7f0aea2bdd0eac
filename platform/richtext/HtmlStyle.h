#pragma once
// HTML presentation attributes and CSS declarations applied to the document model (internal
// to the HTML import): colours, font faces and sizes, weights, decorations, alignment.

#include <optional>
#include <string_view>

#include "platform/richtext/RichDocument.h"

namespace pgw::richtext::detail {

// A CSS or HTML colour: a name, #rgb, #rrggbb or rgb(r, g, b). "transparent" gives an
// empty colour; nullopt means the value was not understood.
std::optional<std::optional<Colour>> parseColour(std::string_view value);

// The size of <font size="...">: 1-7, or +n / -n relative to 3, in half points.
std::optional<int> fontElementSize(std::string_view value);

// A CSS font-size (pt, px, em, %, keywords) in half points, relative to `current`.
std::optional<int> cssFontSize(std::string_view value, int current);

// The first font family of a list that names a real face (generic families are skipped).
std::optional<std::string_view> firstFontFamily(std::string_view list);

// Sets the face; a face with a non-ASCII name is a Chinese one.
void setFace(std::string_view face, CharFormat* format);

// "left", "center", "right", "justify" (any case).
std::optional<Alignment> parseAlignment(std::string_view value);

// Applies the declarations of a style attribute. Alignment is reported, not applied, because
// only blocks have it.
void applyStyle(std::string_view style, CharFormat* format, std::optional<Alignment>* alignment);

}  // namespace pgw::richtext::detail
