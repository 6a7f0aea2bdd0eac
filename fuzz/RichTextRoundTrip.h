#pragma once
// What every fuzz target over rich text checks: a document, once written, reads back
// without error to the same text. The writer leaves out control characters other than the
// tab (a page cannot hold them), so they are left out of the comparison too.

#include <string>
#include <variant>
#include <vector>

#include "platform/richtext/RtfReader.h"
#include "platform/richtext/RtfWriter.h"

namespace pgw::fuzz {

// Each paragraph's text without the control characters (C0 but tab, DEL, C1) the writer
// leaves out.
inline std::vector<std::string> paragraphTexts(const richtext::RichDocument& document) {
    std::vector<std::string> texts;
    for (const richtext::Paragraph& paragraph : document.paragraphs) {
        std::string& kept = texts.emplace_back();
        for (const richtext::Inline& piece : paragraph.content) {
            const auto* run = std::get_if<richtext::TextRun>(&piece);
            if (!run) continue;
            const std::string& text = run->text;
            for (size_t i = 0; i < text.size(); ++i) {
                const auto byte = static_cast<unsigned char>(text[i]);
                const bool c1 = byte == 0xc2 && i + 1 < text.size() &&
                                static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                                static_cast<unsigned char>(text[i + 1]) <= 0x9f;
                if (c1) {
                    ++i;
                } else if ((byte >= 0x20 && byte != 0x7f) || byte == '\t') {
                    kept += text[i];
                }
            }
        }
    }
    return texts;
}

inline void checkShape(const richtext::RichDocument& document) {
    if (document.paragraphs.empty()) __builtin_trap();
    for (const richtext::Paragraph& paragraph : document.paragraphs) {
        for (const richtext::Inline& piece : paragraph.content) {
            const auto* run = std::get_if<richtext::TextRun>(&piece);
            if (run && run->text.empty()) __builtin_trap();
        }
    }
}

inline void checkRoundTrip(const richtext::RichDocument& document) {
    checkShape(document);
    const std::string rtf = richtext::writeRtf(document);
    for (const char c : rtf)
        if (static_cast<unsigned char>(c) >= 0x80) __builtin_trap();
    const richtext::RtfReadResult again = richtext::readRtf(rtf);
    if (!again.ok() || again.consumed + 2 != rtf.size()) __builtin_trap();
    if (paragraphTexts(again.document) != paragraphTexts(document)) __builtin_trap();
}

}  // namespace pgw::fuzz
