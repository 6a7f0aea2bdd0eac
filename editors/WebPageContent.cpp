#include "editors/WebPageContent.h"

#include "platform/text/CodePage.h"

#include <QByteArray>
#include <QStringDecoder>

#include <algorithm>
#include <cctype>
#include <string>

namespace pgw::editors {

namespace {

// Only the head of a page declares its charset.
constexpr size_t kCharsetSearchLength = 4096;

bool startsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

std::string lowerAscii(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return lower;
}

// The value after the first "charset=" in the page's head, lower case, or empty.
std::string declaredCharset(std::string_view bytes) {
    const std::string head = lowerAscii(bytes.substr(0, kCharsetSearchLength));
    size_t at = head.find("charset");
    if (at == std::string::npos) return {};
    at += 7;
    while (at < head.size() && (head[at] == ' ' || head[at] == '=' || head[at] == '"' || head[at] == '\''))
        ++at;
    size_t end = at;
    while (end < head.size() && (std::isalnum(static_cast<unsigned char>(head[end])) || head[end] == '-' ||
                                 head[end] == '_'))
        ++end;
    return head.substr(at, end - at);
}

bool isValidUtf8(std::string_view bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString ignored = decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    return !decoder.hasError();
}

// The 8-bit page ends at its first zero byte: what follows is stream padding or an older,
// longer content.
std::string_view untilZero(std::string_view bytes) { return bytes.substr(0, bytes.find('\0')); }

// The length of the GBK character that starts `bytes`: 1 or 2, or 0 when none does.
size_t gbkUnitLength(std::string_view bytes) {
    const auto lead = static_cast<unsigned char>(bytes[0]);
    if (lead < 0x80) return 1;
    if (lead == 0x80 || lead == 0xFF || bytes.size() < 2) return 0;
    const auto trail = static_cast<unsigned char>(bytes[1]);
    return trail >= 0x40 && trail <= 0xFE && trail != 0x7F ? 2 : 0;
}

// A run of well-formed characters; one the code page does not map becomes U+FFFD.
QString convertGbkRun(std::string_view run) {
    std::string utf8;
    if (text::gbkToUtf8(run, &utf8).ok()) return QString::fromStdString(utf8);
    QString text;
    while (!run.empty()) {
        const size_t length = gbkUnitLength(run);
        std::string one;
        if (text::gbkToUtf8(run.substr(0, length), &one).ok()) {
            text += QString::fromStdString(one);
        } else {
            text += QChar::ReplacementCharacter;
        }
        run.remove_prefix(length);
    }
    return text;
}

bool isBlockContainer(QStringView name) {
    // Elements whose end tag may be left out (li, tr, td, p) would count a long list or
    // table as deep; only those that must be closed count.
    static const char* const kContainers[] = {"div", "blockquote", "ul", "ol", "dl", "table", "center", "pre"};
    for (const char* container : kContainers)
        if (name.compare(QLatin1String(container), Qt::CaseInsensitive) == 0) return true;
    return false;
}

}  // namespace

HtmlNesting measureNesting(QStringView html) {
    HtmlNesting depth, deepest;
    qsizetype at = 0;
    while ((at = html.indexOf(u'<', at)) >= 0) {
        if (html.mid(at, 4) == u"<!--") {  // a comment's tags are no tags
            const qsizetype end = html.indexOf(u"-->", at + 4);
            if (end < 0) break;
            at = end + 3;
            continue;
        }
        ++at;
        const bool closing = at < html.size() && html[at] == u'/';
        if (closing) ++at;
        qsizetype end = at;
        while (end < html.size() && html[end].isLetterOrNumber()) ++end;
        const QStringView name = html.mid(at, end - at);
        at = end;
        if (!isBlockContainer(name)) continue;
        const int step = closing ? -1 : 1;
        depth.blocks = std::max(0, depth.blocks + step);
        if (name.compare(QLatin1String("table"), Qt::CaseInsensitive) == 0) depth.tables = std::max(0, depth.tables + step);
        deepest.blocks = std::max(deepest.blocks, depth.blocks);
        deepest.tables = std::max(deepest.tables, depth.tables);
    }
    return deepest;
}

bool tooDeepToLayOut(QStringView html) {
    const HtmlNesting nesting = measureNesting(html);
    return nesting.tables > kMaxNesting.tables || nesting.blocks > kMaxNesting.blocks;
}

PageEncodingGuess guessPageEncoding(std::string_view bytes) {
    if (startsWith(bytes, "\xEF\xBB\xBF")) return {PageEncoding::Utf8, 3};
    if (startsWith(bytes, "\xFF\xFE")) return {PageEncoding::Utf16LittleEndian, 2};
    if (startsWith(bytes, "\xFE\xFF")) return {PageEncoding::Utf16BigEndian, 2};
    const std::string charset = declaredCharset(bytes);
    if (charset == "utf-8" || charset == "utf8") return {PageEncoding::Utf8, 0};
    if (charset == "gb2312" || charset == "gbk" || charset == "gb18030" || charset == "cp936" ||
        charset == "x-gbk" || charset == "windows-936")
        return {PageEncoding::Gbk, 0};
    return {isValidUtf8(untilZero(bytes)) ? PageEncoding::Utf8 : PageEncoding::Gbk, 0};
}

QString decodeGbkLossy(std::string_view bytes) {
    QString text;
    while (!bytes.empty()) {
        size_t run = 0;
        while (run < bytes.size()) {
            const size_t length = gbkUnitLength(bytes.substr(run));
            if (length == 0) break;
            run += length;
        }
        text += convertGbkRun(bytes.substr(0, run));
        bytes.remove_prefix(run);
        if (!bytes.empty()) {  // a byte that starts no character
            text += QChar::ReplacementCharacter;
            bytes.remove_prefix(1);
        }
    }
    return text;
}

QString decodeWebPage(std::string_view bytes) {
    const PageEncodingGuess guess = guessPageEncoding(bytes);
    bytes.remove_prefix(guess.skip);
    switch (guess.encoding) {
    case PageEncoding::Utf8: {
        const std::string_view page = untilZero(bytes);
        return QString::fromUtf8(page.data(), qsizetype(page.size()));
    }
    case PageEncoding::Utf16LittleEndian:
    case PageEncoding::Utf16BigEndian: {
        // Stateless: a lone byte at the end shows as U+FFFD instead of vanishing.
        QStringDecoder decoder(guess.encoding == PageEncoding::Utf16LittleEndian ? QStringDecoder::Utf16LE
                                                                                : QStringDecoder::Utf16BE,
                               QStringDecoder::Flag::Stateless);
        QString text = decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
        const qsizetype zero = text.indexOf(QChar(u'\0'));
        return zero < 0 ? text : text.left(zero);
    }
    case PageEncoding::Gbk: return decodeGbkLossy(untilZero(bytes));
    }
    return {};
}

}  // namespace pgw::editors
