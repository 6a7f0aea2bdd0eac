#pragma once
// The font and colour tables of an RTF document, as the reader builds them from their
// destinations. Both are capped, so a hostile table costs bounded memory.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/richtext/RichDocument.h"
#include "platform/richtext/RtfReaderDecoder.h"

namespace pgw::richtext::detail {

struct RtfFont {
    std::string face;  // UTF-8
    int charset = kDefaultCharset;
    int codePage = 0;  // \cpgN; 0 when the entry has none
};

class RtfFontTable {
public:
    static constexpr size_t kMaxFonts = 8192;
    static constexpr size_t kMaxNameBytes = 256;  // longer names are cut

    // Entries: \fN opens one; its name is the text up to ';' (or to the end of the entry).
    void beginEntry(int number);
    void setCharset(int charset);
    void setCodePage(int codePage);
    void addNameText(std::string_view text);
    void addNameByte(char byte);
    void endEntry(RtfTextDecoder& decoder, int ansiCodePage);

    const RtfFont* find(int number) const;

    // The code page a font's text uses; the document's ANSI code page for the default
    // charset, unknown charsets and unknown fonts.
    static int codePageOf(const RtfFont* font, int ansiCodePage);

private:
    std::unordered_map<int, RtfFont> fonts_;
    bool open_ = false;
    bool nameEnded_ = false;
    int number_ = 0;
    RtfFont building_;
    std::string nameBytes_;
};

class RtfColourTable {
public:
    static constexpr size_t kMaxColours = 4096;

    void setRed(int value) { set(&building_.red, value); }
    void setGreen(int value) { set(&building_.green, value); }
    void setBlue(int value) { set(&building_.blue, value); }
    // A ';' in the table's text ends an entry; an entry without components is "auto".
    void addText(std::string_view text);

    // Index 0, negative and out-of-range indices are "auto".
    std::optional<Colour> at(int index) const;

private:
    void set(uint8_t* component, int value);

    std::vector<std::optional<Colour>> colours_;
    Colour building_;
    bool hasComponent_ = false;
};

}  // namespace pgw::richtext::detail
