#pragma once
// The bridge between a page's rich-text model and the QTextDocument an editor shows.
// Model -> document -> model gives the model back unchanged; text typed or images inserted in
// the editor come back in the model's terms (typed text without a charset is GB2312, images
// become DIB pictures).

#include "platform/richtext/RichDocument.h"

class QTextDocument;

namespace pgw::editors {

// Replaces the document's content with the page. Not an edit: nothing to undo, not modified.
void setDocumentContent(QTextDocument& document, const richtext::RichDocument& content);

// The document's content as a page.
richtext::RichDocument documentContent(const QTextDocument& document);

// An empty page's look: 宋体 10 pt, with Chinese faces falling back to installed fonts.
void applyPageDefaults(QTextDocument& document);

}  // namespace pgw::editors
