#include "editors/PageTextEdit.h"

#include "editors/DocumentPictures.h"
#include "editors/ClipboardForms.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QMimeData>
#include <QUrl>

namespace pgw::editors {
namespace {

const QString kQtRichText = QStringLiteral("application/x-qrichtext");

bool isPictureFile(const QUrl& url) {
    if (!url.isLocalFile()) return false;
    static const QStringList kSuffixes = {QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                          QStringLiteral("bmp"), QStringLiteral("gif")};
    return kSuffixes.contains(QFileInfo(url.toLocalFile()).suffix().toLower());
}

bool holdsPicture(const QMimeData& data) {
    if (data.hasImage()) return true;
    for (const QUrl& url : data.urls())
        if (isPictureFile(url)) return true;
    return false;
}

// The pictures the data holds: its image, or the picture files it names that can be read.
QList<QImage> picturesIn(const QMimeData& data) {
    if (data.hasImage()) return {qvariant_cast<QImage>(data.imageData())};
    QList<QImage> pictures;
    for (const QUrl& url : data.urls()) {
        if (!isPictureFile(url)) continue;
        QImageReader reader(url.toLocalFile());
        reader.setAutoTransform(true);
        if (QImage image = reader.read(); !image.isNull()) pictures.push_back(std::move(image));
    }
    return pictures;
}

}  // namespace

bool PageTextEdit::canInsertFromMimeData(const QMimeData* source) const {
    return holdsPicture(*source) || !pasteFormsIn(*source).empty() || QTextEdit::canInsertFromMimeData(source);
}

// Text copied in this editor comes back as Qt copied it, with all it holds; RTF from a word
// processor goes through the page's own reader, as a rich edit control pastes it, rather
// than through Qt's reading of the HTML beside it.
void PageTextEdit::insertFromMimeData(const QMimeData* source) {
    const std::vector<PasteForm> forms = pasteFormsIn(*source);
    if (!source->hasFormat(kQtRichText) && !forms.empty() && forms.front() == PasteForm::Rtf) {
        QTextCursor cursor = textCursor();
        if (pasteAs(cursor, *source, PasteForm::Rtf)) {
            setTextCursor(cursor);
            ensureCursorVisible();
            return;
        }
    }
    if (!holdsPicture(*source)) return QTextEdit::insertFromMimeData(source);
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    for (const QImage& picture : picturesIn(*source))
        if (!picture.isNull()) insertImage(cursor, picture);
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

void PageTextEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (!holdsPicture(*event->mimeData())) return event->ignore();
    QTextEdit::dragEnterEvent(event);
}

void PageTextEdit::dragMoveEvent(QDragMoveEvent* event) {
    if (!holdsPicture(*event->mimeData())) return event->ignore();
    QTextEdit::dragMoveEvent(event);
}

void PageTextEdit::dropEvent(QDropEvent* event) {
    if (!holdsPicture(*event->mimeData())) return event->ignore();
    QTextEdit::dropEvent(event);
}

}  // namespace pgw::editors
