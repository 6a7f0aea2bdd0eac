#pragma once
// Every command of the program with the number its menus, toolbars and accelerators use.
// The numbers are part of the program's resources and never change.

#include <cstdint>

namespace pgw::framework {

using CommandId = uint32_t;

namespace cmd {

// File
inline constexpr CommandId kNew = 57600;
inline constexpr CommandId kOpen = 57601;
inline constexpr CommandId kSave = 57603;
inline constexpr CommandId kSaveAs = 57604;
inline constexpr CommandId kMake = 32950;
inline constexpr CommandId kExportEpub = 33020;  // the program's own: the book as an e-book for readers
inline constexpr CommandId kPreviewBook = 33030;  // the program's own: a compiled book read back, read-only
inline constexpr CommandId kPrintPreview = 57609;
inline constexpr CommandId kPrint = 57607;
inline constexpr CommandId kExit = 57665;
inline constexpr CommandId kRecentFirst = 57616;  // the recent-file entries, 8 in a row
inline constexpr CommandId kRecentLast = 57623;

// Edit
inline constexpr CommandId kUndo = 57643;
inline constexpr CommandId kRedo = 57644;
inline constexpr CommandId kCut = 57635;
inline constexpr CommandId kCopy = 57634;
inline constexpr CommandId kPaste = 57637;
inline constexpr CommandId kPasteSpecial = 57639;
inline constexpr CommandId kFind = 57636;
inline constexpr CommandId kReplace = 57641;
inline constexpr CommandId kSelectAll = 32949;
inline constexpr CommandId kFindInBook = 33000;  // the program's own: find through the whole book

// View
inline constexpr CommandId kViewToolbar = 59392;
inline constexpr CommandId kViewStatusBar = 59393;
inline constexpr CommandId kPageUp = 32929;
inline constexpr CommandId kPageDown = 32930;

// Help
inline constexpr CommandId kHelpContents = 57670;
inline constexpr CommandId kAbout = 57664;
inline constexpr CommandId kNextPane = 57680;
inline constexpr CommandId kPreviousPane = 57681;

// Chapter pane and chapter tree
inline constexpr CommandId kAddChapter = 32835;
inline constexpr CommandId kRenameChapter = 32836;
inline constexpr CommandId kDeleteChapter = 32823;
inline constexpr CommandId kHideChapterPane = 32839;
inline constexpr CommandId kToggleChapterPane = 32940;
inline constexpr CommandId kInsertDirectory = 32908;
inline constexpr CommandId kInsertTextPage = 32826;
inline constexpr CommandId kInsertPicturePage = 32827;
inline constexpr CommandId kExpandAll = 32943;
inline constexpr CommandId kMoveChapter = 32824;
inline constexpr CommandId kImportChapters = 33010;  // the program's own: chapters from files

// Bookmarks and moving chapters
inline constexpr CommandId kToggleBookmark = 32914;
inline constexpr CommandId kClearBookmarks = 32915;
inline constexpr CommandId kNextBookmark = 32917;
inline constexpr CommandId kPreviousBookmark = 32918;
inline constexpr CommandId kAddBookmark = 32955;
inline constexpr CommandId kRemoveBookmark = 32956;
inline constexpr CommandId kSetMoveSource = 32912;
inline constexpr CommandId kCancelMoveSource = 32937;
inline constexpr CommandId kMoveAfterCurrent = 32913;

// Rich-text formatting
inline constexpr CommandId kFontDialog = 32846;
inline constexpr CommandId kFaceList = 32858;
inline constexpr CommandId kSizeList = 32859;
inline constexpr CommandId kColourPicker = 32860;
inline constexpr CommandId kBold = 222;
inline constexpr CommandId kItalic = 32849;
inline constexpr CommandId kUnderline = 32850;
inline constexpr CommandId kStrikeOut = 32939;
inline constexpr CommandId kDeleteSelection = 32936;
inline constexpr CommandId kAlignLeft = 32851;
inline constexpr CommandId kAlignCentre = 32852;
inline constexpr CommandId kAlignRight = 32853;
inline constexpr CommandId kIndent = 32854;
inline constexpr CommandId kOutdent = 32855;
inline constexpr CommandId kBullets = 32856;
inline constexpr CommandId kRichTextSwallowed = 32938;

// Picture pages
inline constexpr CommandId kZoomIn = 32863;
inline constexpr CommandId kZoomOut = 32864;
inline constexpr CommandId kInsertPicture = 32924;
inline constexpr CommandId kDeletePicture = 32926;

// Ids that only appear in the enable rules and the image lists.
inline constexpr CommandId kUnnamed32828 = 32828;
inline constexpr CommandId kUnnamed32832 = 32832;
inline constexpr CommandId kUnnamed32833 = 32833;
inline constexpr CommandId kUnnamed32834 = 32834;
inline constexpr CommandId kUnnamed32933 = 32933;
inline constexpr CommandId kUnnamed32934 = 32934;

}  // namespace cmd
}  // namespace pgw::framework
