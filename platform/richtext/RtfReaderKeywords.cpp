#include "platform/richtext/RtfReaderKeywords.h"

#include <unordered_map>

namespace pgw::richtext::detail {

namespace {

struct Entry {
    std::string_view word;
    Keyword keyword;
};

using K = Keyword;

constexpr Entry kEntries[] = {
    {"rtf", K::Rtf}, {"urtf", K::Urtf}, {"ansi", K::Ansi}, {"mac", K::Mac}, {"pc", K::Pc},
    {"pca", K::Pca}, {"ansicpg", K::AnsiCodePage}, {"deff", K::DefaultFont},

    {"fonttbl", K::FontTable}, {"colortbl", K::ColourTable}, {"pict", K::Picture},
    {"pn", K::Numbering}, {"pntext", K::NumberingText}, {"listtext", K::ListText},
    {"upr", K::UnicodeBranch}, {"ud", K::UnicodePair}, {"object", K::Object}, {"result", K::Result},
    {"field", K::Field}, {"fldrslt", K::FieldResult}, {"shppict", K::ShapePicture},

    // Tables, document properties, page decorations, notes and other text that is not the
    // page's body.
    {"stylesheet", K::SkippedDestination}, {"info", K::SkippedDestination},
    {"generator", K::SkippedDestination}, {"header", K::SkippedDestination},
    {"headerl", K::SkippedDestination}, {"headerr", K::SkippedDestination},
    {"headerf", K::SkippedDestination}, {"footer", K::SkippedDestination},
    {"footerl", K::SkippedDestination}, {"footerr", K::SkippedDestination},
    {"footerf", K::SkippedDestination}, {"footnote", K::SkippedDestination},
    {"themedata", K::SkippedDestination}, {"colorschememapping", K::SkippedDestination},
    {"datastore", K::SkippedDestination}, {"latentstyles", K::SkippedDestination},
    {"rsidtbl", K::SkippedDestination}, {"xmlnstbl", K::SkippedDestination},
    {"revtbl", K::SkippedDestination}, {"fldinst", K::FieldInstruction},
    {"nonshppict", K::SkippedDestination}, {"objdata", K::SkippedDestination},
    {"objclass", K::SkippedDestination}, {"objname", K::SkippedDestination},
    {"pgdsctbl", K::SkippedDestination}, {"filetbl", K::SkippedDestination},
    {"annotation", K::SkippedDestination}, {"atnid", K::SkippedDestination},
    {"atnauthor", K::SkippedDestination}, {"atndate", K::SkippedDestination},
    {"atnref", K::SkippedDestination}, {"bkmkstart", K::SkippedDestination},
    {"bkmkend", K::SkippedDestination}, {"xe", K::SkippedDestination}, {"tc", K::SkippedDestination},
    {"txe", K::SkippedDestination}, {"template", K::SkippedDestination},
    {"docvar", K::SkippedDestination}, {"userprops", K::SkippedDestination},
    {"ftnsep", K::SkippedDestination}, {"ftnsepc", K::SkippedDestination},
    {"ftncn", K::SkippedDestination}, {"aftnsep", K::SkippedDestination},
    {"aftnsepc", K::SkippedDestination}, {"aftncn", K::SkippedDestination},
    {"pnseclvl", K::SkippedDestination}, {"listpicture", K::SkippedDestination},
    {"pntxtb", K::SkippedDestination}, {"pntxta", K::SkippedDestination},
    {"fontemb", K::SkippedDestination}, {"fontfile", K::SkippedDestination},
    {"falt", K::SkippedDestination}, {"panose", K::SkippedDestination},
    {"protusertbl", K::SkippedDestination}, {"blipuid", K::SkippedDestination},
    {"picprop", K::SkippedDestination},
    {"author", K::SkippedDestination}, {"operator", K::SkippedDestination},
    {"title", K::SkippedDestination}, {"subject", K::SkippedDestination},
    {"keywords", K::SkippedDestination}, {"comment", K::SkippedDestination},
    {"company", K::SkippedDestination}, {"doccomm", K::SkippedDestination},
    {"formfield", K::SkippedDestination}, {"datafield", K::SkippedDestination},
    {"mmathPr", K::SkippedDestination}, {"wgrffmtfilter", K::SkippedDestination},
    {"passwordhash", K::SkippedDestination},

    {"f", K::Font}, {"fcharset", K::FontCharset}, {"cpg", K::FontCodePage},
    {"red", K::Red}, {"green", K::Green}, {"blue", K::Blue},

    {"plain", K::Plain}, {"fs", K::FontSize}, {"b", K::Bold}, {"i", K::Italic},
    {"ul", K::Underline}, {"uld", K::UnderlineStyle}, {"uldb", K::UnderlineStyle},
    {"ulw", K::UnderlineStyle}, {"ulwave", K::UnderlineStyle}, {"uldash", K::UnderlineStyle},
    {"uldashd", K::UnderlineStyle}, {"uldashdd", K::UnderlineStyle}, {"ulth", K::UnderlineStyle},
    {"ulhwave", K::UnderlineStyle}, {"ululdbwave", K::UnderlineStyle}, {"ulthd", K::UnderlineStyle},
    {"ulthdash", K::UnderlineStyle}, {"ulthdashd", K::UnderlineStyle},
    {"ulthdashdd", K::UnderlineStyle}, {"ulldash", K::UnderlineStyle},
    {"ulthldash", K::UnderlineStyle}, {"ulhair", K::UnderlineStyle},
    {"ulnone", K::UnderlineNone}, {"strike", K::Strike}, {"striked", K::StrikeDouble},
    {"cf", K::Colour}, {"highlight", K::Highlight}, {"cb", K::Highlight}, {"chcbpat", K::Highlight},
    {"super", K::Superscript}, {"sub", K::Subscript}, {"nosupersub", K::NoSuperSub},
    {"up", K::Up}, {"dn", K::Down},
    {"dbch", K::EastAsianScript}, {"loch", K::OtherScript}, {"hich", K::OtherScript},
    {"rtlch", K::OtherScript}, {"ab", K::AssociatedBold}, {"ai", K::AssociatedItalic},
    {"af", K::AssociatedFont}, {"afs", K::AssociatedFontSize},

    {"pard", K::Pard}, {"ql", K::AlignLeft}, {"qc", K::AlignCentre}, {"qr", K::AlignRight},
    {"qj", K::Justify}, {"qd", K::Justify}, {"li", K::LeftIndent}, {"lin", K::LeftIndent},
    {"fi", K::FirstIndent}, {"ri", K::RightIndent}, {"rin", K::RightIndent},
    {"sb", K::SpaceBefore}, {"sa", K::SpaceAfter}, {"pagebb", K::PageBreakBefore},
    {"tx", K::TabPosition}, {"tb", K::BarTabPosition}, {"tqc", K::TabCentre}, {"tqr", K::TabRight},
    {"tqdec", K::TabDecimal}, {"tldot", K::TabLeaderDots}, {"tlmdot", K::TabLeaderDots},
    {"tlhyph", K::TabLeaderHyphens}, {"tlul", K::TabLeaderUnderline}, {"tlth", K::TabLeaderThick},
    {"tleq", K::TabLeaderEquals},

    {"pnlvlblt", K::BulletLevel}, {"pnlvlbody", K::NumberedLevel}, {"pnlvl", K::OutlineLevel},
    {"pndec", K::NumberDecimal}, {"pnucltr", K::NumberUpperLetter}, {"pnlcltr", K::NumberLowerLetter},
    {"pnucrm", K::NumberUpperRoman}, {"pnlcrm", K::NumberLowerRoman}, {"pnord", K::NumberDecimal},
    {"pnordt", K::NumberDecimal}, {"pncard", K::NumberDecimal}, {"pnlvlcont", K::ContinuedLevel},
    {"pnstart", K::NumberStart}, {"ilvl", K::ListLevel},

    {"par", K::Par}, {"line", K::Line}, {"tab", K::Tab}, {"page", K::Page}, {"sect", K::Section},
    {"u", K::Unicode}, {"uc", K::UnicodeSkip},
    {"emdash", K::EmDash}, {"endash", K::EnDash}, {"lquote", K::LeftQuote},
    {"rquote", K::RightQuote}, {"ldblquote", K::LeftDoubleQuote},
    {"rdblquote", K::RightDoubleQuote}, {"bullet", K::Bullet},

    {"intbl", K::InTable}, {"itap", K::TableDepth}, {"cell", K::Cell}, {"nestcell", K::NestedCell},
    {"row", K::Row}, {"nestrow", K::NestedRow}, {"nesttableprops", K::NestedRowProperties},
    {"nonesttables", K::SkippedDestination},  // the same table again, for readers without nesting
    {"trowd", K::RowDefaults}, {"trleft", K::RowLeft}, {"trgaph", K::CellGap}, {"cellx", K::CellEdge},
    {"clbrdrt", K::BorderSide}, {"clbrdrl", K::BorderSide}, {"clbrdrb", K::BorderSide},
    {"clbrdrr", K::BorderSide}, {"trbrdrt", K::BorderSide}, {"trbrdrl", K::BorderSide},
    {"trbrdrb", K::BorderSide}, {"trbrdrr", K::BorderSide}, {"trbrdrh", K::BorderSide},
    {"trbrdrv", K::BorderSide}, {"brdrs", K::BorderLine}, {"brdrth", K::BorderLine},
    {"brdrsh", K::BorderLine}, {"brdrdb", K::BorderLine}, {"brdrdot", K::BorderLine},
    {"brdrdash", K::BorderLine}, {"brdrhair", K::BorderLine}, {"brdrtriple", K::BorderLine},
    {"brdrdashsm", K::BorderLine}, {"brdrdashd", K::BorderLine}, {"brdrdashdd", K::BorderLine},
    {"brdrwavy", K::BorderLine}, {"brdrinset", K::BorderLine}, {"brdroutset", K::BorderLine},

    {"pngblip", K::PngBlip}, {"jpegblip", K::JpegBlip}, {"dibitmap", K::DibBitmap},
    {"wbitmap", K::DeviceBitmap}, {"wmetafile", K::WindowsMetafile}, {"emfblip", K::EmfBlip},
    {"picw", K::PictureWidth}, {"pich", K::PictureHeight}, {"picwgoal", K::PictureWidthGoal},
    {"pichgoal", K::PictureHeightGoal}, {"picscalex", K::PictureScaleX},
    {"picscaley", K::PictureScaleY}, {"wbmbitspixel", K::BitmapBitsPerPixel},
    {"wbmplanes", K::BitmapPlanes}, {"wbmwidthbytes", K::BitmapWidthBytes},

    {"shp", K::Shape}, {"shpgrp", K::Shape}, {"shpinst", K::ShapeInstructions},
    {"shprslt", K::ShapeResult}, {"sp", K::ShapeProperty}, {"sn", K::ShapePropertyName},
    {"sv", K::ShapePropertyValue},
    // A text box's text: not part of the page's flow.
    {"shptxt", K::SkippedDestination},

    {"listtable", K::ListTables}, {"listoverridetable", K::ListTables}, {"list", K::ListDefinition},
    {"listid", K::ListIdentifier}, {"listlevel", K::ListLevelDefinition}, {"levelnfc", K::LevelNumberFormat},
    {"levelnfcn", K::LevelNumberFormat}, {"levelstartat", K::LevelStartAt}, {"listoverride", K::ListOverride},
    {"ls", K::ListOverrideNumber},
};

const std::unordered_map<std::string_view, Keyword>& keywordMap() {
    static const std::unordered_map<std::string_view, Keyword> map = [] {
        std::unordered_map<std::string_view, Keyword> built;
        for (const Entry& entry : kEntries) built.emplace(entry.word, entry.keyword);
        return built;
    }();
    return map;
}

}  // namespace

Keyword lookupKeyword(std::string_view word) {
    const auto& map = keywordMap();
    const auto found = map.find(word);
    return found == map.end() ? Keyword::Unknown : found->second;
}

}  // namespace pgw::richtext::detail
