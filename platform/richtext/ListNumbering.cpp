#include "platform/richtext/ListNumbering.h"

#include <algorithm>

namespace pgw::richtext {

namespace {

constexpr int32_t kMaxItemNumber = 1'000'000;

bool isNumbered(ListStyle style) { return style != ListStyle::None && style != ListStyle::Bullet; }

std::string romanNumeral(int32_t number) {
    static constexpr std::pair<int32_t, std::string_view> kDigits[] = {
        {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"},
        {50, "l"},   {40, "xl"},  {10, "x"},  {9, "ix"},   {5, "v"},   {4, "iv"}, {1, "i"}};
    std::string out;
    for (const auto& [value, digits] : kDigits) {
        for (; number >= value; number -= value) out += digits;
    }
    return out;
}

// a, b, ... z, aa, ab, ...: a number in letters, as word processors count.
std::string letters(int32_t number) {
    std::string out;
    for (; number > 0; number = (number - 1) / 26) out.insert(out.begin(), char('a' + (number - 1) % 26));
    return out;
}

std::optional<int32_t> romanValue(std::string_view text) {
    if (text.empty() || text.size() > 15) return std::nullopt;
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return char(c | 0x20); });
    const auto digit = [](char c) {
        switch (c) {
        case 'i': return 1;
        case 'v': return 5;
        case 'x': return 10;
        case 'l': return 50;
        case 'c': return 100;
        case 'd': return 500;
        case 'm': return 1000;
        default: return 0;
        }
    };
    int32_t value = 0;
    for (size_t k = 0; k < lower.size(); ++k) {
        const int here = digit(lower[k]);
        if (here == 0) return std::nullopt;
        const int next = k + 1 < lower.size() ? digit(lower[k + 1]) : 0;
        value += here < next ? -here : here;
    }
    // Only the usual spelling of a number counts: "iiii" or "vx" are words, not numbers.
    if (value <= 0 || romanNumeral(value) != lower) return std::nullopt;
    return value;
}

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

// The list open at `level`; the lists below it end.
std::optional<ListCounter::Run>& ListCounter::listAt(int level) {
    for (size_t deeper = size_t(level) + 1; deeper < lists_.size(); ++deeper) lists_[deeper].reset();
    return lists_[size_t(level)];
}

int32_t ListCounter::place(ListStyle style, int level, std::optional<int32_t> statedNumber, ParagraphFormat* format) {
    level = std::clamp(level, 0, kMaxListLevel);
    std::optional<Run>& run = listAt(level);
    const bool continues = run && run->style == style &&
                           (!statedNumber || !isNumbered(style) || *statedNumber == run->start + run->count);
    if (continues) {
        ++run->count;
    } else {
        run = Run{style, isNumbered(style) ? statedNumber.value_or(format->listStart) : 1, 1};
    }
    format->list = style;
    format->listLevel = level;
    format->listStart = run->start;
    return isNumbered(style) ? run->start + run->count - 1 : 0;
}

int32_t ListCounter::place(const ParagraphFormat& format) {
    if (!format.isListItem()) {
        interrupt();
        return 0;
    }
    std::optional<Run>& run = listAt(std::clamp(format.listLevel, 0, kMaxListLevel));
    // A stored item continues its list when the list starts where it does.
    if (run && run->style == format.list && run->start == format.listStart) {
        ++run->count;
    } else {
        run = Run{format.list, format.listStart, 1};
    }
    return isNumbered(format.list) ? run->start + run->count - 1 : 0;
}

std::optional<ItemNumber> parseItemNumber(std::string_view text, ListStyle declared) {
    text = trimmed(text);
    if (text.size() >= 2 && text.front() == '(' && text.back() == ')') {
        text = text.substr(1, text.size() - 2);
    } else if (!text.empty() && (text.back() == '.' || text.back() == ')')) {
        text.remove_suffix(1);
    }
    if (text.empty() || text.size() > 15) return std::nullopt;
    if (std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        if (text.size() > 7) return std::nullopt;
        const int32_t value = std::stoi(std::string(text));
        if (value > kMaxItemNumber) return std::nullopt;
        return ItemNumber{ListStyle::Decimal, value};
    }
    const bool lower = std::all_of(text.begin(), text.end(), [](char c) { return c >= 'a' && c <= 'z'; });
    const bool upper = std::all_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
    if (!lower && !upper) return std::nullopt;
    const bool declaredRoman = declared == ListStyle::LowerRoman || declared == ListStyle::UpperRoman;
    if (text.size() == 1 && !(declaredRoman && romanValue(text)))
        return ItemNumber{lower ? ListStyle::LowerLetter : ListStyle::UpperLetter, (text[0] | 0x20) - 'a' + 1};
    if (const std::optional<int32_t> roman = romanValue(text))
        return ItemNumber{lower ? ListStyle::LowerRoman : ListStyle::UpperRoman, *roman};
    return std::nullopt;
}

std::string itemLabel(ListStyle style, int32_t number) {
    number = std::clamp(number, -kMaxItemNumber, kMaxItemNumber);
    // Letters and Roman numerals count from 1; numbers they cannot spell are shown in digits.
    if (style == ListStyle::None || style == ListStyle::Bullet) return {};
    if (style != ListStyle::Decimal && (number <= 0 || number > 3999)) style = ListStyle::Decimal;
    std::string label;
    switch (style) {
    case ListStyle::Decimal: label = std::to_string(number); break;
    case ListStyle::LowerLetter: label = letters(number); break;
    case ListStyle::UpperLetter: label = letters(number); break;
    case ListStyle::LowerRoman: label = romanNumeral(number); break;
    case ListStyle::UpperRoman: label = romanNumeral(number); break;
    case ListStyle::Bullet:
    case ListStyle::None: return {};
    }
    if (style == ListStyle::UpperLetter || style == ListStyle::UpperRoman)
        std::transform(label.begin(), label.end(), label.begin(), [](char c) { return char(c & ~0x20); });
    return label + ".";
}

}  // namespace pgw::richtext
