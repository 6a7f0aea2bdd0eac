#pragma once
// Writes a RichDocument as a rich edit control on a Chinese system streams its content out:
// 7-bit RTF, code page 936, GBK text as \'xx escapes, other characters as \uN?.

#include <string>

#include "platform/richtext/RichDocument.h"

namespace pgw::richtext {

std::string writeRtf(const RichDocument& document);

}  // namespace pgw::richtext
