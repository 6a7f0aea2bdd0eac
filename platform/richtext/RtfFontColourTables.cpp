#include "platform/richtext/RtfFontColourTables.h"

#include "platform/richtext/RtfTextEncoder.h"

namespace pgw::richtext::detail {

namespace {

constexpr std::string_view kBulletFace = "Symbol";

// The document's code page is 936, so a font of the default charset is a GB2312 font, and
// a run that named no font is in the default face.
struct FontName {
    std::string_view face;
    int charset;
};

// The charset a font is written with names the code page its text is written in, as a
// Windows reader sees it: a Windows charset as it is, a Mac charset as the Windows one of
// its script, and any other (default, OEM, unknown) as the document's GB 2312.
int writtenCharset(int charset) {
    struct Pair {
        int from, to;
    };
    static constexpr Pair kWindowsCharsets[] = {
        {0, 0}, {2, 2}, {128, 128}, {129, 129}, {130, 130}, {134, 134}, {136, 136},
        {161, 161}, {162, 162}, {163, 163}, {177, 177}, {178, 178}, {186, 186}, {204, 204},
        {222, 222}, {238, 238},
        {77, 0}, {78, 128}, {79, 129}, {80, 134}, {81, 136}, {83, 177}, {84, 178}, {85, 161},
        {86, 162}, {87, 222}, {88, 238}, {89, 204},
    };
    for (const Pair& pair : kWindowsCharsets) {
        if (pair.from == charset) return pair.to;
    }
    return kGb2312Charset;
}

FontName writtenFont(std::string_view face, int charset) {
    if (face.empty()) return {kDefaultFace, kGb2312Charset};
    return {face, writtenCharset(charset)};
}

uint32_t packed(const Colour& colour) {
    return (uint32_t(colour.red) << 16) | (uint32_t(colour.green) << 8) | colour.blue;
}

void appendNumber(std::string* out, std::string_view word, int value) {
    out->append(word);
    out->append(std::to_string(value));
}

}  // namespace

RtfFontColourTables::RtfFontColourTables(const RichDocument& document) {
    bool anyBullet = false;
    for (const Paragraph& paragraph : document.paragraphs) {
        for (const Inline& piece : paragraph.content) {
            if (const auto* run = std::get_if<TextRun>(&piece)) add(run->format);
        }
        add(paragraph.markFormat);
        anyBullet = anyBullet || paragraph.format.isBullet();
    }
    if (anyBullet) bulletFont_ = addFont(kBulletFace, kSymbolCharset);
}

void RtfFontColourTables::add(const CharFormat& format) {
    addFont(format.face, format.charset);
    addColour(format.colour);
    addColour(format.background);
}

int RtfFontColourTables::addFont(std::string_view face, int charset) {
    const FontName name = writtenFont(face, charset);
    if (const int known = findFont(name.face, name.charset); known >= 0) return known;
    const int index = static_cast<int>(fonts_.size());
    fonts_.push_back({std::string(name.face), name.charset});
    fontIndices_[name.charset].emplace(std::string(name.face), index);
    return index;
}

int RtfFontColourTables::findFont(std::string_view face, int charset) const {
    const auto byCharset = fontIndices_.find(charset);
    if (byCharset == fontIndices_.end()) return -1;
    const auto byFace = byCharset->second.find(face);
    return byFace == byCharset->second.end() ? -1 : byFace->second;
}

void RtfFontColourTables::addColour(const std::optional<Colour>& colour) {
    if (!colour) return;
    const auto [where, added] =
        colourIndices_.emplace(packed(*colour), static_cast<int>(colours_.size()) + 1);
    if (added) colours_.push_back(*colour);
}

int RtfFontColourTables::fontIndex(const CharFormat& format) const {
    const FontName name = writtenFont(format.face, format.charset);
    const int index = findFont(name.face, name.charset);
    return index < 0 ? 0 : index;
}

int RtfFontColourTables::fontCodePage(int fontIndex) const {
    return writerCodePage(fonts_.at(static_cast<size_t>(fontIndex)).charset);
}

int RtfFontColourTables::colourIndex(const std::optional<Colour>& colour) const {
    if (!colour) return 0;
    const auto found = colourIndices_.find(packed(*colour));
    return found == colourIndices_.end() ? 0 : found->second;
}

void RtfFontColourTables::write(RtfTextEncoder& encoder, std::string* out) const {
    out->append("{\\fonttbl");
    for (size_t i = 0; i < fonts_.size(); ++i) {
        appendNumber(out, "{\\f", static_cast<int>(i));
        appendNumber(out, "\\fnil\\fcharset", fonts_[i].charset);
        out->push_back(' ');
        encoder.appendFontName(fonts_[i].face, writerCodePage(fonts_[i].charset), out);
        out->append(";}");
    }
    out->append("}\r\n");
    if (colours_.empty()) return;
    out->append("{\\colortbl ;");
    for (const Colour& colour : colours_) {
        appendNumber(out, "\\red", colour.red);
        appendNumber(out, "\\green", colour.green);
        appendNumber(out, "\\blue", colour.blue);
        out->push_back(';');
    }
    out->append("}\r\n");
}

}  // namespace pgw::richtext::detail
