#include "editors/WebPageContent.h"

#include "platform/text/WebPageText.h"

#include <algorithm>

namespace pgw::editors {

namespace {

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

QString decodeWebPage(std::string_view bytes) { return QString::fromStdString(text::webPageToUtf8(bytes)); }

}  // namespace pgw::editors
