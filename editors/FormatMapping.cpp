#include "editors/FormatMapping.h"

#include <QBrush>
#include <QColor>

#include <algorithm>
#include <cmath>
#include <limits>

namespace pgw::editors {
namespace {

using richtext::Alignment;
using richtext::Colour;
using richtext::VerticalPosition;

constexpr int kBoldWeight = 600;  // QFont::DemiBold and heavier show as bold

int32_t roundClamped(double value) {
    if (std::isnan(value)) return 0;
    constexpr double lowest = std::numeric_limits<int32_t>::min();
    constexpr double highest = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::lround(std::clamp(value, lowest, highest)));
}

QColor toQColor(const Colour& colour) { return QColor(colour.red, colour.green, colour.blue); }

std::optional<Colour> colourOf(const QTextFormat& format, int brushProperty) {
    if (!format.hasProperty(brushProperty)) return std::nullopt;
    const QBrush brush = format.brushProperty(brushProperty);
    if (brush.style() == Qt::NoBrush) return std::nullopt;
    const QColor rgb = brush.color().toRgb();
    return Colour{static_cast<uint8_t>(rgb.red()), static_cast<uint8_t>(rgb.green()),
                  static_cast<uint8_t>(rgb.blue())};
}

QTextCharFormat::VerticalAlignment toQtVertical(VerticalPosition position) {
    switch (position) {
    case VerticalPosition::Superscript: return QTextCharFormat::AlignSuperScript;
    case VerticalPosition::Subscript: return QTextCharFormat::AlignSubScript;
    case VerticalPosition::Normal: break;
    }
    return QTextCharFormat::AlignNormal;
}

VerticalPosition fromQtVertical(QTextCharFormat::VerticalAlignment alignment) {
    switch (alignment) {
    case QTextCharFormat::AlignSuperScript: return VerticalPosition::Superscript;
    case QTextCharFormat::AlignSubScript: return VerticalPosition::Subscript;
    default: return VerticalPosition::Normal;
    }
}

void setFace(QTextCharFormat& out, const std::string& face) {
    if (face.empty()) {
        out.setProperty(kNoFaceProperty, true);
        return;
    }
    out.setFontFamilies(QStringList{QString::fromStdString(face)});
}

// The face as the page names it: a family that is not installed keeps its name.
std::string faceOf(const QTextCharFormat& format, const QFont& documentFont) {
    if (format.hasProperty(QTextFormat::FontFamilies)) {
        const QStringList families = format.fontFamilies().toStringList();
        if (!families.isEmpty()) return families.first().toStdString();
    }
    if (format.hasProperty(QTextFormat::FontFamily))
        return format.stringProperty(QTextFormat::FontFamily).toStdString();
    if (format.boolProperty(kNoFaceProperty)) return {};
    return documentFont.family().toStdString();
}

int halfPointsOf(const QTextCharFormat& format, const QFont& documentFont) {
    if (format.hasProperty(QTextFormat::FontPointSize) && format.fontPointSize() > 0)
        return roundClamped(format.fontPointSize() * 2);
    if (format.hasProperty(QTextFormat::FontPixelSize) && format.intProperty(QTextFormat::FontPixelSize) > 0)
        return roundClamped(format.intProperty(QTextFormat::FontPixelSize) * 1.5);  // 1 px = 3/4 pt
    if (documentFont.pointSizeF() > 0) return roundClamped(documentFont.pointSizeF() * 2);
    return richtext::kDefaultHalfPoints;
}

Qt::Alignment toQtAlignment(Alignment alignment) {
    switch (alignment) {
    case Alignment::Centre: return Qt::AlignHCenter;
    case Alignment::Right: return Qt::AlignRight;
    case Alignment::Justify: return Qt::AlignJustify;
    case Alignment::Left: break;
    }
    return Qt::AlignLeft;
}

Alignment fromQtAlignment(Qt::Alignment alignment) {
    switch ((alignment & Qt::AlignHorizontal_Mask & ~Qt::AlignAbsolute).toInt()) {
    case Qt::AlignHCenter: return Alignment::Centre;
    case Qt::AlignRight: return Alignment::Right;
    case Qt::AlignJustify: return Alignment::Justify;
    default: return Alignment::Left;
    }
}

QTextListFormat::Style toQtListStyle(richtext::ListStyle style) {
    using richtext::ListStyle;
    switch (style) {
    case ListStyle::Decimal: return QTextListFormat::ListDecimal;
    case ListStyle::LowerLetter: return QTextListFormat::ListLowerAlpha;
    case ListStyle::UpperLetter: return QTextListFormat::ListUpperAlpha;
    case ListStyle::LowerRoman: return QTextListFormat::ListLowerRoman;
    case ListStyle::UpperRoman: return QTextListFormat::ListUpperRoman;
    case ListStyle::Bullet:
    case ListStyle::None: break;
    }
    return QTextListFormat::ListDisc;
}

richtext::ListStyle fromQtListStyle(QTextListFormat::Style style) {
    using richtext::ListStyle;
    switch (style) {
    case QTextListFormat::ListDecimal: return ListStyle::Decimal;
    case QTextListFormat::ListLowerAlpha: return ListStyle::LowerLetter;
    case QTextListFormat::ListUpperAlpha: return ListStyle::UpperLetter;
    case QTextListFormat::ListLowerRoman: return ListStyle::LowerRoman;
    case QTextListFormat::ListUpperRoman: return ListStyle::UpperRoman;
    default: return ListStyle::Bullet;  // disc, circle, square
    }
}

// Qt draws single, dashed, dotted and wavy lines; words, double and thick are drawn single,
// the page's kind kept beside.
void setUnderline(QTextCharFormat& out, richtext::Underline underline) {
    using richtext::Underline;
    switch (underline) {
    case Underline::None: out.setUnderlineStyle(QTextCharFormat::NoUnderline); break;
    case Underline::Dotted: out.setUnderlineStyle(QTextCharFormat::DotLine); break;
    case Underline::Dash: out.setUnderlineStyle(QTextCharFormat::DashUnderline); break;
    case Underline::DashDot: out.setUnderlineStyle(QTextCharFormat::DashDotLine); break;
    case Underline::DashDotDot: out.setUnderlineStyle(QTextCharFormat::DashDotDotLine); break;
    case Underline::Wave: out.setUnderlineStyle(QTextCharFormat::WaveUnderline); break;
    case Underline::Single:
    case Underline::Words:
    case Underline::Double:
    case Underline::Thick: out.setUnderlineStyle(QTextCharFormat::SingleUnderline); break;
    }
    out.setProperty(kUnderlineKindProperty, int(underline));
}

richtext::Underline underlineOf(const QTextCharFormat& format) {
    using richtext::Underline;
    const bool lined = format.hasProperty(QTextFormat::TextUnderlineStyle)
                           ? format.underlineStyle() != QTextCharFormat::NoUnderline
                           : format.boolProperty(QTextFormat::FontUnderline);
    if (!lined) return Underline::None;
    if (format.underlineStyle() == QTextCharFormat::SingleUnderline && format.hasProperty(kUnderlineKindProperty)) {
        const int kind = format.intProperty(kUnderlineKindProperty);
        if (kind > int(Underline::None) && kind <= int(Underline::Thick)) return Underline(kind);
    }
    switch (format.underlineStyle()) {
    case QTextCharFormat::DotLine: return Underline::Dotted;
    case QTextCharFormat::DashUnderline: return Underline::Dash;
    case QTextCharFormat::DashDotLine: return Underline::DashDot;
    case QTextCharFormat::DashDotDotLine: return Underline::DashDotDot;
    case QTextCharFormat::WaveUnderline:
    case QTextCharFormat::SpellCheckUnderline: return Underline::Wave;
    default: return Underline::Single;
    }
}

}  // namespace

QTextListFormat toQtListFormat(const richtext::ParagraphFormat& format) {
    QTextListFormat out;
    out.setStyle(toQtListStyle(format.list));
    out.setIndent(0);  // the paragraph's margins hold the room for the mark, as in the page
    out.setProperty(kListLevelProperty, format.listLevel);
    out.setProperty(kListStartProperty, format.listStart);
    return out;
}

void readListFormat(const QTextListFormat& list, richtext::ParagraphFormat* format) {
    format->list = fromQtListStyle(list.style());
    format->listLevel = std::clamp(list.intProperty(kListLevelProperty), 0, richtext::kMaxListLevel);
    format->listStart = list.hasProperty(kListStartProperty) ? list.intProperty(kListStartProperty) : 1;
}

qreal twipsToPixels(int32_t twips) { return twips / kTwipsPerPixel; }

int32_t pixelsToTwips(qreal pixels) { return roundClamped(pixels * kTwipsPerPixel); }

QTextCharFormat toQtCharFormat(const richtext::CharFormat& format) {
    QTextCharFormat out;
    setFace(out, format.face);
    out.setProperty(kCharsetProperty, format.charset);
    // A size the page cannot show is left to the document rather than handed to QFont.
    if (format.halfPoints > 0) out.setFontPointSize(format.halfPoints / 2.0);
    out.setFontWeight(format.bold ? QFont::Bold : QFont::Normal);
    out.setFontItalic(format.italic);
    setUnderline(out, format.underline);
    out.setFontStrikeOut(format.strikeOut);
    if (format.colour) out.setForeground(toQColor(*format.colour));
    if (format.background) out.setBackground(toQColor(*format.background));
    out.setVerticalAlignment(toQtVertical(format.vertical));
    if (!format.link.empty()) {
        out.setAnchor(true);
        out.setAnchorHref(QString::fromStdString(format.link));
    }
    return out;
}

richtext::CharFormat fromQtCharFormat(const QTextCharFormat& format, const QFont& documentFont) {
    richtext::CharFormat out;
    out.face = faceOf(format, documentFont);
    if (format.hasProperty(kCharsetProperty)) out.charset = format.intProperty(kCharsetProperty);
    out.halfPoints = halfPointsOf(format, documentFont);
    out.bold = format.fontWeight() >= kBoldWeight;
    out.italic = format.fontItalic();
    out.underline = underlineOf(format);
    out.strikeOut = format.fontStrikeOut();
    out.colour = colourOf(format, QTextFormat::ForegroundBrush);
    out.background = colourOf(format, QTextFormat::BackgroundBrush);
    out.vertical = fromQtVertical(format.verticalAlignment());
    if (format.isAnchor()) out.link = format.anchorHref().toStdString();
    return out;
}

namespace {

constexpr QTextOption::TabType kQtTabTypes[] = {QTextOption::LeftTab, QTextOption::CenterTab, QTextOption::RightTab,
                                                 QTextOption::DelimiterTab};

void setTabStops(const std::vector<richtext::TabStop>& tabs, QTextBlockFormat* out) {
    QList<QTextOption::Tab> positions;
    QString leaders;
    for (const richtext::TabStop& tab : tabs) {
        const bool decimal = tab.kind == richtext::TabKind::Decimal;
        positions.append(QTextOption::Tab(twipsToPixels(tab.position), kQtTabTypes[int(tab.kind)], decimal ? QChar(u'.') : QChar()));
        leaders.append(QChar(u'0' + int(tab.leader)));
    }
    out->setTabPositions(positions);
    out->setProperty(kTabLeadersProperty, leaders);
}

std::vector<richtext::TabStop> tabStopsOf(const QTextBlockFormat& format) {
    const QList<QTextOption::Tab> positions = format.tabPositions();
    const QString leaders = format.stringProperty(kTabLeadersProperty);
    std::vector<richtext::TabStop> tabs;
    for (qsizetype i = 0; i < positions.size() && tabs.size() < richtext::kMaxTabStops; ++i) {
        richtext::TabStop tab;
        tab.position = pixelsToTwips(positions[i].position);
        for (int kind = 0; kind < 4; ++kind)
            if (kQtTabTypes[kind] == positions[i].type) tab.kind = richtext::TabKind(kind);
        const int leader = leaders.size() == positions.size() ? leaders[i].digitValue() : 0;
        tab.leader = richtext::TabLeader(std::clamp(leader, 0, int(richtext::TabLeader::Equals)));
        tabs.push_back(tab);
    }
    return tabs;
}

}  // namespace

QTextBlockFormat toQtBlockFormat(const richtext::ParagraphFormat& format) {
    QTextBlockFormat out;
    out.setAlignment(toQtAlignment(format.alignment));
    out.setLeftMargin(twipsToPixels(format.leftIndent));
    out.setTextIndent(twipsToPixels(format.firstLineIndent));
    out.setRightMargin(twipsToPixels(format.rightIndent));
    out.setTopMargin(twipsToPixels(format.spaceBefore));
    out.setBottomMargin(twipsToPixels(format.spaceAfter));
    if (format.pageBreakBefore) out.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    if (!format.tabs->empty()) setTabStops(format.tabs.get(), &out);
    return out;
}

richtext::ParagraphFormat fromQtBlockFormat(const QTextBlockFormat& format) {
    richtext::ParagraphFormat out;
    out.alignment = fromQtAlignment(format.alignment());
    out.leftIndent = pixelsToTwips(format.leftMargin());
    out.firstLineIndent = pixelsToTwips(format.textIndent());
    out.rightIndent = pixelsToTwips(format.rightMargin());
    out.spaceBefore = pixelsToTwips(format.topMargin());
    out.spaceAfter = pixelsToTwips(format.bottomMargin());
    out.pageBreakBefore = format.pageBreakPolicy().testFlag(QTextFormat::PageBreak_AlwaysBefore);
    if (std::vector<richtext::TabStop> tabs = tabStopsOf(format); !tabs.empty()) out.tabs = std::move(tabs);
    return out;
}

}  // namespace pgw::editors
