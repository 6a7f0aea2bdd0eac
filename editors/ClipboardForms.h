#pragma once
// The forms of the clipboard's data a text page can take, and pasting one of them. RTF and
// HTML go through the page's own readers, so what they bring is what the page stores; plain
// text takes the format at the caret; a picture becomes a picture of the page.

#include <QString>

#include <vector>

class QMimeData;
class QTextCursor;

namespace pgw::editors {

enum class PasteForm { Rtf, Html, PlainText, Picture };

// The forms `data` holds, best first.
std::vector<PasteForm> pasteFormsIn(const QMimeData& data);
// "RTF 格式文本", ...
QString pasteFormName(PasteForm form);
// Inserts `data` in `form` at the cursor, replacing its selection, as one step to undo.
// False when the data does not hold that form or holds nothing in it.
bool pasteAs(QTextCursor& cursor, const QMimeData& data, PasteForm form);

}  // namespace pgw::editors
