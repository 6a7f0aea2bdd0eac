// Fuzz target: HTML and plain-text import take any bytes, and what they make is a page
// that writes and reads back to the same text.

#include <cstdint>
#include <string_view>

#include "RichTextRoundTrip.h"
#include "platform/richtext/TextImport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    pgw::fuzz::checkRoundTrip(pgw::richtext::documentFromHtml(input));
    pgw::fuzz::checkRoundTrip(pgw::richtext::documentFromPlainText(input));
    return 0;
}
