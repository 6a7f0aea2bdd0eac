#include "platform/richtext/RtfReader.h"

namespace pgw::richtext {

bool looksLikeRtf(std::string_view bytes) {
    return bytes.starts_with("{\\rtf") || bytes.starts_with("{\\urtf");
}

RtfReadResult readRtf(std::string_view) { return {RichDocument{}, "not implemented", 0}; }

}  // namespace pgw::richtext
