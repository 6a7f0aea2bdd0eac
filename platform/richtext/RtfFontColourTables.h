#pragma once
// The font and colour tables at the head of a written RTF file (internal to the writer):
// the fonts and colours a document uses, numbered in order of first use.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/richtext/RichDocument.h"

namespace pgw::richtext::detail {

class RtfTextEncoder;

class RtfFontColourTables {
public:
    explicit RtfFontColourTables(const RichDocument& document);

    // The \fN of a format's font. The format must belong to the document the tables were
    // built from.
    int fontIndex(const CharFormat& format) const;
    // The code page the text of font N is written in.
    int fontCodePage(int fontIndex) const;
    // The \cfN / \highlightN of a colour; 0 (automatic) for none.
    int colourIndex(const std::optional<Colour>& colour) const;
    // The font bullets are drawn with; -1 when no paragraph has a bullet.
    int bulletFontIndex() const { return bulletFont_; }

    // Appends the font table, and the colour table when a colour is used, each followed by
    // CRLF.
    void write(RtfTextEncoder& encoder, std::string* out) const;

private:
    struct Font {
        std::string face;  // UTF-8
        int charset;
    };

    void add(const CharFormat& format);
    int addFont(std::string_view face, int charset);
    void addColour(const std::optional<Colour>& colour);
    int findFont(std::string_view face, int charset) const;

    std::vector<Font> fonts_;
    // charset -> face -> index; heterogeneous lookup so a run's face is not copied.
    std::map<int, std::map<std::string, int, std::less<>>> fontIndices_;
    std::vector<Colour> colours_;
    std::unordered_map<uint32_t, int> colourIndices_;
    int bulletFont_ = -1;
};

}  // namespace pgw::richtext::detail
