#include "platform/richtext/RtfReaderTables.h"

#include <algorithm>

#include "platform/text/CodePage.h"

namespace pgw::richtext::detail {

namespace {

std::string_view trimmed(std::string_view s) {
    const auto space = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && space(s.front())) s.remove_prefix(1);
    while (!s.empty() && space(s.back())) s.remove_suffix(1);
    return s;
}

}  // namespace

void RtfFontTable::beginEntry(int number) {
    open_ = true;
    nameEnded_ = false;
    number_ = number;
    building_ = RtfFont{};
    nameBytes_.clear();
}

void RtfFontTable::setCharset(int charset) {
    if (open_) building_.charset = charset;
}

void RtfFontTable::setCodePage(int codePage) {
    if (open_) building_.codePage = codePage;
}

void RtfFontTable::addNameText(std::string_view text) {
    if (!open_ || nameEnded_) return;
    const size_t end = text.find(';');
    const size_t room = kMaxNameBytes - std::min(kMaxNameBytes, nameBytes_.size());
    nameBytes_.append(text.substr(0, std::min(end, room)));
    if (end != std::string_view::npos) nameEnded_ = true;
}

void RtfFontTable::addNameByte(char byte) {
    if (open_ && !nameEnded_ && nameBytes_.size() < kMaxNameBytes) nameBytes_ += byte;
}

void RtfFontTable::endEntry(RtfTextDecoder& decoder, int ansiCodePage) {
    if (!open_) return;
    open_ = false;
    if (fonts_.size() >= kMaxFonts && !fonts_.contains(number_)) return;
    // The name is in the font's own code page; a symbol font's name is plain ANSI.
    int codePage = codePageOf(&building_, ansiCodePage);
    if (codePage == kSymbolCodePage) codePage = ansiCodePage;
    std::string face;
    decoder.decode(codePage, trimmed(nameBytes_), &face);
    building_.face = std::move(face);
    fonts_[number_] = std::move(building_);
}

const RtfFont* RtfFontTable::find(int number) const {
    const auto found = fonts_.find(number);
    return found == fonts_.end() ? nullptr : &found->second;
}

int RtfFontTable::codePageOf(const RtfFont* font, int ansiCodePage) {
    if (font == nullptr) return ansiCodePage;
    if (font->codePage > 0) return font->codePage;
    if (font->charset == kSymbolCharset) return kSymbolCodePage;
    if (font->charset == kDefaultCharset) return ansiCodePage;
    const int codePage = text::codePageForCharset(font->charset);
    return codePage != 0 ? codePage : ansiCodePage;
}

void RtfColourTable::set(uint8_t* component, int value) {
    *component = uint8_t(std::clamp(value, 0, 255));
    hasComponent_ = true;
}

void RtfColourTable::addText(std::string_view text) {
    for (const char c : text) {
        if (c != ';') continue;
        if (colours_.size() < kMaxColours) {
            colours_.push_back(hasComponent_ ? std::optional<Colour>(building_) : std::nullopt);
        }
        building_ = Colour{};
        hasComponent_ = false;
    }
}

std::optional<Colour> RtfColourTable::at(int index) const {
    if (index <= 0 || size_t(index) >= colours_.size()) return std::nullopt;
    return colours_[size_t(index)];
}

}  // namespace pgw::richtext::detail
