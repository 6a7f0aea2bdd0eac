// Fuzz target: the RTF reader must read any bytes without crashing, hanging or growing
// without bound, always give at least one paragraph and never an empty run, and report a
// consumed length inside the input; what it read, written again, reads back to the same
// text.

#include <cstdint>
#include <string_view>

#include "RichTextRoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const pgw::richtext::RtfReadResult result = pgw::richtext::readRtf(input);
    if (result.consumed > size) __builtin_trap();
    pgw::fuzz::checkRoundTrip(result.document);
    return 0;
}
