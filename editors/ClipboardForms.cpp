#include "editors/ClipboardForms.h"

#include "editors/DocumentPictures.h"
#include "editors/RichTextBridge.h"
#include "platform/richtext/RtfReader.h"
#include "platform/richtext/TextImport.h"

#include <QImage>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextFragment>
#include <QUrl>

namespace pgw::editors {
namespace {

// The names word processors and rich edit controls put RTF on the clipboard under.
const QStringList kRtfTypes = {QStringLiteral("text/rtf"), QStringLiteral("application/rtf"),
                               QStringLiteral("text/richtext")};

QByteArray rtfIn(const QMimeData& data) {
    for (const QString& type : kRtfTypes)
        if (data.hasFormat(type)) return data.data(type);
    return {};
}

// Pictures in a fragment name their images in the document the fragment was made in.
void copyImages(const QTextDocument& from, QTextDocument& to) {
    for (QTextBlock block = from.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (!format.isImageFormat()) continue;
            const QUrl name(format.toImageFormat().name());
            to.addResource(QTextDocument::ImageResource, name, from.resource(QTextDocument::ImageResource, name));
        }
    }
}

bool insertPage(QTextCursor& cursor, const richtext::RichDocument& content) {
    QTextDocument page;
    applyPageDefaults(page);
    setDocumentContent(page, content);
    if (page.isEmpty() && content.paragraphs.size() <= 1) return false;
    copyImages(page, *cursor.document());
    cursor.insertFragment(QTextDocumentFragment(&page));
    return true;
}

}  // namespace

std::vector<PasteForm> pasteFormsIn(const QMimeData& data) {
    std::vector<PasteForm> forms;
    if (!rtfIn(data).isEmpty()) forms.push_back(PasteForm::Rtf);
    if (data.hasHtml()) forms.push_back(PasteForm::Html);
    if (data.hasText()) forms.push_back(PasteForm::PlainText);
    if (data.hasImage()) forms.push_back(PasteForm::Picture);
    return forms;
}

QString pasteFormName(PasteForm form) {
    switch (form) {
    case PasteForm::Rtf: return QStringLiteral("RTF 格式文本");
    case PasteForm::Html: return QStringLiteral("HTML 格式");
    case PasteForm::PlainText: return QStringLiteral("无格式文本");
    case PasteForm::Picture: return QStringLiteral("图片");
    }
    return {};
}

bool pasteAs(QTextCursor& cursor, const QMimeData& data, PasteForm form) {
    cursor.beginEditBlock();
    bool pasted = false;
    switch (form) {
    case PasteForm::Rtf: {
        const QByteArray rtf = rtfIn(data);
        pasted = !rtf.isEmpty() && insertPage(cursor, richtext::readRtf(std::string_view(rtf.constData(), size_t(rtf.size()))).document);
        break;
    }
    case PasteForm::Html:
        pasted = data.hasHtml() && insertPage(cursor, richtext::documentFromHtml(data.html().toStdString()));
        break;
    case PasteForm::PlainText:
        if ((pasted = data.hasText() && !data.text().isEmpty())) cursor.insertText(data.text());
        break;
    case PasteForm::Picture:
        if (const QImage image = qvariant_cast<QImage>(data.imageData()); (pasted = !image.isNull()))
            insertImage(cursor, image);
        break;
    }
    cursor.endEditBlock();
    return pasted;
}

}  // namespace pgw::editors
