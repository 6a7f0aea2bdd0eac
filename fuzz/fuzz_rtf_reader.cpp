// Fuzz target: the RTF reader must read any bytes without crashing, hanging or growing
// without bound, always give at least one paragraph and never an empty run, and report a
// consumed length inside the input.

#include <cstdint>
#include <string_view>
#include <variant>

#include "platform/richtext/RtfReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const pgw::richtext::RtfReadResult result = pgw::richtext::readRtf(input);
    if (result.document.paragraphs.empty() || result.consumed > size) __builtin_trap();
    for (const pgw::richtext::Paragraph& paragraph : result.document.paragraphs) {
        for (const pgw::richtext::Inline& piece : paragraph.content) {
            const auto* run = std::get_if<pgw::richtext::TextRun>(&piece);
            if (run && run->text.empty()) __builtin_trap();
        }
    }
    (void)pgw::richtext::plainText(result.document);
    return 0;
}
