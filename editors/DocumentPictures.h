#pragma once
// Pictures inside a QTextDocument: each is an image of the document whose format carries the
// picture's original bytes, so reading the document back gives the identical picture.

#include "platform/richtext/RichDocument.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QImage>
#include <QTextImageFormat>

#include <optional>

namespace pgw::editors {

// Inserts the picture at the cursor as an image resource of the cursor's document.
void insertPicture(QTextCursor& cursor, const richtext::Picture& picture);

// Inserts an image made in Qt (pasted, dropped) at the cursor, scaled down if it is huge; it
// reads back as a DIB.
void insertImage(QTextCursor& cursor, const QImage& image);

// The picture an image of the document stands for. An image made in Qt (pasted, inserted)
// becomes a DIB; none when the image has nothing to show.
std::optional<richtext::Picture> pictureOf(const QTextImageFormat& format, const QTextDocument& document);

}  // namespace pgw::editors
