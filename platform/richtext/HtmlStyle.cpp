#include "platform/richtext/HtmlStyle.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <string>

namespace pgw::richtext::detail {

namespace {

constexpr int kMinHalfPoints = 2;
constexpr int kMaxHalfPoints = 3276;  // 1638 pt, the largest size rich text holds

struct NamedColour {
    std::string_view name;
    Colour colour;
};

constexpr NamedColour kColours[] = {
    {"aqua", {0, 255, 255}},        {"black", {0, 0, 0}},           {"blue", {0, 0, 255}},
    {"brown", {165, 42, 42}},       {"cyan", {0, 255, 255}},        {"darkblue", {0, 0, 139}},
    {"darkgray", {169, 169, 169}},  {"darkgreen", {0, 100, 0}},     {"darkgrey", {169, 169, 169}},
    {"darkred", {139, 0, 0}},       {"fuchsia", {255, 0, 255}},     {"gold", {255, 215, 0}},
    {"gray", {128, 128, 128}},      {"green", {0, 128, 0}},         {"grey", {128, 128, 128}},
    {"lightblue", {173, 216, 230}}, {"lightgray", {211, 211, 211}}, {"lightgrey", {211, 211, 211}},
    {"lime", {0, 255, 0}},          {"magenta", {255, 0, 255}},     {"maroon", {128, 0, 0}},
    {"navy", {0, 0, 128}},          {"olive", {128, 128, 0}},       {"orange", {255, 165, 0}},
    {"pink", {255, 192, 203}},      {"purple", {128, 0, 128}},      {"red", {255, 0, 0}},
    {"silver", {192, 192, 192}},    {"teal", {0, 128, 128}},        {"violet", {238, 130, 238}},
    {"white", {255, 255, 255}},     {"yellow", {255, 255, 0}},
};

constexpr std::string_view kGenericFamilies[] = {
    "serif",   "sans-serif", "monospace", "cursive",       "fantasy",      "system-ui", "inherit",
    "initial", "unset",      "ui-serif",  "ui-sans-serif", "ui-monospace", "emoji",     "math"};

// CSS absolute size keywords, in half points (9, 10, 13, 16, 18, 24, 32 and 48 pixels).
struct SizeKeyword {
    std::string_view name;
    int halfPoints;
};
constexpr SizeKeyword kSizeKeywords[] = {{"xx-small", 14}, {"x-small", 15},  {"small", 20},
                                         {"medium", 24},   {"large", 27},    {"x-large", 36},
                                         {"xx-large", 48}, {"xxx-large", 72}};

// <font size="1"> to size="7", in half points.
constexpr int kFontElementSizes[] = {15, 20, 24, 27, 36, 48, 72};

std::string_view trimmed(std::string_view text) {
    const auto isSpace = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
    };
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text;
}

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

int clampedHalfPoints(double value) {
    if (!(value >= kMinHalfPoints)) return kMinHalfPoints;  // also NaN
    if (value > kMaxHalfPoints) return kMaxHalfPoints;
    return static_cast<int>(std::lround(value));
}

std::optional<double> leadingNumber(std::string_view text, std::string_view* unit) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || !std::isfinite(value)) return std::nullopt;
    *unit = trimmed(text.substr(static_cast<size_t>(end - text.data())));
    return value;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<Colour> hexColour(std::string_view hex) {
    if (hex.size() != 3 && hex.size() != 6) return std::nullopt;
    int digits[6];
    for (size_t i = 0; i < hex.size(); ++i) {
        digits[i] = hexValue(hex[i]);
        if (digits[i] < 0) return std::nullopt;
    }
    auto channel = [&](size_t i) {
        return static_cast<uint8_t>(hex.size() == 3 ? digits[i] * 17
                                                    : digits[2 * i] * 16 + digits[2 * i + 1]);
    };
    return Colour{channel(0), channel(1), channel(2)};
}

// rgb(1, 2, 3), rgb(10%, 20%, 30%) or rgba(...) with the alpha ignored.
std::optional<Colour> functionalColour(std::string_view inside) {
    uint8_t channels[3];
    for (uint8_t& channel : channels) {
        const size_t comma = inside.find_first_of(", ");
        std::string_view unit;
        const std::optional<double> value = leadingNumber(trimmed(inside.substr(0, comma)), &unit);
        if (!value) return std::nullopt;
        const double scaled = unit == "%" ? *value * 2.55 : *value;
        channel = static_cast<uint8_t>(std::clamp(std::lround(scaled), 0L, 255L));
        if (comma == std::string_view::npos)
            inside = {};
        else
            inside = trimmed(inside.substr(comma + 1));
        while (!inside.empty() && (inside.front() == ',' || inside.front() == ' '))
            inside.remove_prefix(1);
    }
    return Colour{channels[0], channels[1], channels[2]};
}

}  // namespace

std::optional<std::optional<Colour>> parseColour(std::string_view value) {
    const std::string text = lowered(trimmed(value));
    if (text == "transparent") return std::optional<Colour>{};
    if (text.starts_with('#')) {
        if (auto colour = hexColour(std::string_view(text).substr(1))) return colour;
        return std::nullopt;
    }
    if ((text.starts_with("rgb(") || text.starts_with("rgba(")) && text.ends_with(')')) {
        const size_t open = text.find('(');
        if (auto colour =
                functionalColour(std::string_view(text).substr(open + 1, text.size() - open - 2))) {
            return colour;
        }
        return std::nullopt;
    }
    for (const NamedColour& named : kColours) {
        if (named.name == text) return std::optional<Colour>{named.colour};
    }
    if (auto colour = hexColour(text); colour && text.size() == 6) return colour;  // "ff0000"
    return std::nullopt;
}

std::optional<int> fontElementSize(std::string_view value) {
    value = trimmed(value);
    const bool relative = !value.empty() && (value.front() == '+' || value.front() == '-');
    const bool negative = relative && value.front() == '-';
    if (relative) value.remove_prefix(1);
    int number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || end == value.data()) return std::nullopt;
    if (relative) number = 3 + (negative ? -number : number);
    return kFontElementSizes[std::clamp(number, 1, 7) - 1];
}

std::optional<int> cssFontSize(std::string_view value, int current) {
    const std::string text = lowered(trimmed(value));
    for (const SizeKeyword& keyword : kSizeKeywords) {
        if (keyword.name == text) return keyword.halfPoints;
    }
    if (text == "smaller") return clampedHalfPoints(current / 1.2);
    if (text == "larger") return clampedHalfPoints(current * 1.2);
    std::string_view unit;
    const std::optional<double> number = leadingNumber(text, &unit);
    if (!number) return std::nullopt;
    if (unit == "pt") return clampedHalfPoints(*number * 2);
    if (unit == "px" || unit.empty()) return clampedHalfPoints(*number * 1.5);
    if (unit == "em" || unit == "rem") return clampedHalfPoints(*number * current);
    if (unit == "%") return clampedHalfPoints(*number * current / 100);
    return std::nullopt;
}

std::optional<std::string_view> firstFontFamily(std::string_view list) {
    while (!list.empty()) {
        const size_t comma = list.find(',');
        std::string_view family = trimmed(list.substr(0, comma));
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
        if (family.size() >= 2 && (family.front() == '"' || family.front() == '\'') &&
            family.back() == family.front()) {
            family = trimmed(family.substr(1, family.size() - 2));
        }
        const std::string name = lowered(family);
        if (family.empty() || std::find(std::begin(kGenericFamilies), std::end(kGenericFamilies),
                                        name) != std::end(kGenericFamilies)) {
            continue;
        }
        return family;
    }
    return std::nullopt;
}

void setFace(std::string_view face, CharFormat* format) {
    format->face = std::string(face);
    const bool ascii = std::all_of(face.begin(), face.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii) format->charset = kGb2312Charset;
}

std::optional<Alignment> parseAlignment(std::string_view value) {
    const std::string text = lowered(trimmed(value));
    if (text == "left" || text == "start") return Alignment::Left;
    if (text == "center" || text == "middle") return Alignment::Centre;
    if (text == "right" || text == "end") return Alignment::Right;
    if (text == "justify") return Alignment::Justify;
    return std::nullopt;
}

namespace {

void applyWeight(std::string_view value, CharFormat* format) {
    if (value == "bold" || value == "bolder")
        format->bold = true;
    else if (value == "normal" || value == "lighter")
        format->bold = false;
    else if (int weight = 0;
             std::from_chars(value.data(), value.data() + value.size(), weight).ec == std::errc())
        format->bold = weight >= 600;
}

void applyDecoration(std::string_view value, CharFormat* format) {
    if (value.find("none") != std::string_view::npos) {
        format->underline = Underline::None;
        format->strikeOut = false;
    }
    if (value.find("underline") != std::string_view::npos) format->underline = Underline::Single;
    if (value.find("line-through") != std::string_view::npos) format->strikeOut = true;
}

void applyDeclaration(std::string_view property, std::string_view value, CharFormat* format,
                      std::optional<Alignment>* alignment) {
    const std::string lowerValue = lowered(value);
    if (property == "color") {
        if (auto colour = parseColour(value)) format->colour = *colour;
    } else if (property == "background-color" || property == "background") {
        if (auto colour = parseColour(value)) format->background = *colour;
    } else if (property == "font-weight") {
        applyWeight(lowerValue, format);
    } else if (property == "font-style") {
        format->italic = lowerValue == "italic" || lowerValue == "oblique";
    } else if (property == "text-decoration" || property == "text-decoration-line") {
        applyDecoration(lowerValue, format);
    } else if (property == "font-family") {
        if (auto face = firstFontFamily(value)) setFace(*face, format);
    } else if (property == "font-size") {
        if (auto size = cssFontSize(value, format->halfPoints)) format->halfPoints = *size;
    } else if (property == "vertical-align") {
        if (lowerValue == "super")
            format->vertical = VerticalPosition::Superscript;
        else if (lowerValue == "sub")
            format->vertical = VerticalPosition::Subscript;
        else if (lowerValue == "baseline")
            format->vertical = VerticalPosition::Normal;
    } else if (property == "text-align") {
        if (auto parsed = parseAlignment(value)) *alignment = parsed;
    }
}

}  // namespace

void applyStyle(std::string_view style, CharFormat* format, std::optional<Alignment>* alignment) {
    while (!style.empty()) {
        const size_t semicolon = style.find(';');
        const std::string_view declaration = style.substr(0, semicolon);
        style =
            semicolon == std::string_view::npos ? std::string_view{} : style.substr(semicolon + 1);
        const size_t colon = declaration.find(':');
        if (colon == std::string_view::npos) continue;
        std::string_view value = trimmed(declaration.substr(colon + 1));
        if (const size_t important = value.find('!'); important != std::string_view::npos) {
            value = trimmed(value.substr(0, important));
        }
        applyDeclaration(lowered(trimmed(declaration.substr(0, colon))), value, format, alignment);
    }
}

}  // namespace pgw::richtext::detail
