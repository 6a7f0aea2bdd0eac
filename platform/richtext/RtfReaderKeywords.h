#pragma once
// The control words the RTF reader acts on. Everything else is ignored (or, after \*,
// skipped with its group).

#include <cstdint>
#include <string_view>

namespace pgw::richtext::detail {

enum class Keyword : uint8_t {
    Unknown,
    // Document header
    Rtf, Urtf, Ansi, Mac, Pc, Pca, AnsiCodePage, DefaultFont,
    // Destinations read
    FontTable, ColourTable, Picture, Numbering, NumberingText, ListText, UnicodeBranch,
    UnicodePair, Object, Result, Field, FieldInstruction, FieldResult, ShapePicture,
    // Destinations whose content holds no body text
    SkippedDestination,
    // Font and colour table entries
    Font, FontCharset, FontCodePage, Red, Green, Blue,
    // Character format
    Plain, FontSize, Bold, Italic, Underline, UnderlineStyle, UnderlineNone, Strike, StrikeDouble,
    Colour, Highlight, Superscript, Subscript, NoSuperSub, Up, Down,
    // Which script the associated (\a...) properties that follow belong to, and those read
    EastAsianScript, OtherScript, AssociatedBold, AssociatedItalic, AssociatedFont,
    AssociatedFontSize,
    // Paragraph format
    Pard, AlignLeft, AlignCentre, AlignRight, Justify, LeftIndent, FirstIndent, RightIndent,
    SpaceBefore, SpaceAfter, PageBreakBefore, TabPosition, BarTabPosition, TabCentre, TabRight,
    TabDecimal, TabLeaderDots, TabLeaderHyphens, TabLeaderUnderline, TabLeaderThick, TabLeaderEquals,
    // Numbering groups
    BulletLevel, NumberedLevel, ContinuedLevel, OutlineLevel, NumberDecimal, NumberUpperLetter,
    NumberLowerLetter, NumberUpperRoman, NumberLowerRoman, NumberStart, ListLevel,
    // Breaks and special characters
    Par, Line, Tab, Page, Section, Unicode, UnicodeSkip,
    EmDash, EnDash, LeftQuote, RightQuote, LeftDoubleQuote, RightDoubleQuote, Bullet,
    // Tables: where a paragraph is, how cells and rows end, and a row's layout
    InTable, TableDepth, Cell, NestedCell, Row, NestedRow, NestedRowProperties, RowDefaults,
    RowLeft, CellGap, CellEdge, BorderSide, BorderLine,
    // Pictures
    PngBlip, JpegBlip, DibBitmap, DeviceBitmap, WindowsMetafile, EmfBlip,
    PictureWidth, PictureHeight, PictureWidthGoal, PictureHeightGoal, PictureScaleX, PictureScaleY,
    BitmapBitsPerPixel, BitmapPlanes, BitmapWidthBytes,
    // Shapes: their instructions, properties and fallback result
    Shape, ShapeInstructions, ShapeResult, ShapeProperty, ShapePropertyName, ShapePropertyValue,
    // Word processors' list tables, and the list a paragraph is in (\ls)
    ListTables, ListDefinition, ListIdentifier, ListLevelDefinition, LevelNumberFormat, LevelStartAt,
    ListOverride, ListOverrideNumber,
};

Keyword lookupKeyword(std::string_view word);

}  // namespace pgw::richtext::detail
