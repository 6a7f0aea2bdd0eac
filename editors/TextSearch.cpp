#include "editors/TextSearch.h"

#include <variant>

namespace pgw::editors {

namespace {

constexpr QChar kPictureCharacter(0xFFFC);
constexpr int kContextBefore = 16;
constexpr int kContextAfter = 40;

QRegularExpression expressionFor(const SearchQuery& query) {
    QString pattern = query.regularExpression ? query.text : QRegularExpression::escape(query.text);
    if (query.wholeWord) pattern = QStringLiteral("(?<!\\w)(?:%1)(?!\\w)").arg(pattern);
    QRegularExpression::PatternOptions options = QRegularExpression::UseUnicodePropertiesOption;
    if (!query.matchCase) options |= QRegularExpression::CaseInsensitiveOption;
    return QRegularExpression(pattern, options);
}

// The paragraph's characters, each with the index of the inline it belongs to.
struct IndexedText {
    QString text;
    std::vector<int> inlineAt;
};

IndexedText indexedText(const richtext::Paragraph& paragraph) {
    IndexedText indexed;
    for (size_t i = 0; i < paragraph.content.size(); ++i) {
        const auto* run = std::get_if<richtext::TextRun>(&paragraph.content[i]);
        indexed.text += run ? QString::fromUtf8(run->text) : QString(kPictureCharacter);
        indexed.inlineAt.resize(size_t(indexed.text.size()), int(i));
    }
    return indexed;
}

// The format typed text takes at `position`: that of the run it lies in, or of the
// nearest run before it, or the paragraph's mark format.
const richtext::CharFormat& formatAt(const richtext::Paragraph& paragraph, const IndexedText& indexed, int position) {
    for (int at = position; at >= 0; --at) {
        if (at >= int(indexed.inlineAt.size())) continue;
        if (const auto* run = std::get_if<richtext::TextRun>(&paragraph.content[size_t(indexed.inlineAt[size_t(at)])]))
            return run->format;
    }
    return paragraph.markFormat;
}

// Copies the characters [from, to) into `out`, each run's text with its own format.
void copyRange(const richtext::Paragraph& paragraph, const IndexedText& indexed, int from, int to,
               richtext::Paragraph& out, bool picturesOnly) {
    int at = from;
    while (at < to) {
        const int index = indexed.inlineAt[size_t(at)];
        int end = at;
        while (end < to && indexed.inlineAt[size_t(end)] == index) ++end;
        const richtext::Inline& piece = paragraph.content[size_t(index)];
        if (const auto* run = std::get_if<richtext::TextRun>(&piece)) {
            if (!picturesOnly) out.appendText(run->format, indexed.text.mid(at, end - at).toStdString());
        } else {
            out.appendPicture(std::get<richtext::Picture>(piece));
        }
        at = end;
    }
}

int replaceInParagraph(richtext::Paragraph& paragraph, const TextMatcher& matcher, const QString& replacement) {
    const IndexedText indexed = indexedText(paragraph);
    richtext::Paragraph out;
    int copied = 0, count = 0;
    matcher.forEachMatch(indexed.text, [&](int start, int length) {
        copyRange(paragraph, indexed, copied, start, out, false);
        const QString text = matcher.replacementFor(indexed.text, start, length, replacement);
        if (!text.isEmpty()) out.appendText(formatAt(paragraph, indexed, start), text.toStdString());
        copyRange(paragraph, indexed, start, start + length, out, true);
        copied = start + length;
        ++count;
    });
    if (count == 0) return 0;
    copyRange(paragraph, indexed, copied, int(indexed.text.size()), out, false);
    paragraph.content = std::move(out.content);
    return count;
}

QString contextLine(const QString& text) {
    QString line = text;
    for (QChar& c : line)
        if (c == QChar::LineSeparator || c == u'\t' || c == u'\n' || c == u'\r') c = u' ';
    return line;
}

}  // namespace

TextMatcher::TextMatcher(const SearchQuery& query)
    : query_(query.text), expression_(expressionFor(query)), regular_(query.regularExpression) {
    if (query.text.isEmpty()) {
        error_ = QStringLiteral("请输入要查找的内容。");
    } else if (!expression_.isValid()) {
        error_ = QStringLiteral("正则表达式有误：%1").arg(expression_.errorString());
    } else {
        valid_ = true;
        expression_.optimize();
    }
}

void TextMatcher::forEachMatch(const QString& text, const std::function<void(int, int)>& found) const {
    if (!valid_ || text.isEmpty()) return;
    QRegularExpressionMatchIterator matches = expression_.globalMatch(text);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        if (match.capturedLength() > 0) found(int(match.capturedStart()), int(match.capturedLength()));
    }
}

QString TextMatcher::replacementFor(const QString& text, int start, int length, const QString& replacement) const {
    if (!regular_ || !replacement.contains(u'\\')) return replacement;
    const QRegularExpressionMatch match =
        expression_.match(text, start, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
    QString expanded;
    for (qsizetype i = 0; i < replacement.size(); ++i) {
        const QChar c = replacement[i];
        const QChar next = i + 1 < replacement.size() ? replacement[i + 1] : QChar();
        if (c == u'\\' && next.isDigit()) {
            const int group = next.digitValue();
            if (match.hasMatch() && group <= match.lastCapturedIndex()) expanded += match.captured(group);
            else if (group == 0) expanded += text.mid(start, length);
            ++i;
        } else if (c == u'\\' && next == u'\\') {
            expanded += u'\\';
            ++i;
        } else {
            expanded += c;
        }
    }
    return expanded;
}

QString paragraphText(const richtext::Paragraph& paragraph) {
    QString text;
    for (const richtext::Inline& piece : paragraph.content) {
        const auto* run = std::get_if<richtext::TextRun>(&piece);
        text += run ? QString::fromUtf8(run->text) : QString(kPictureCharacter);
    }
    return text;
}

std::vector<ParagraphMatch> findInDocument(const richtext::RichDocument& document, const TextMatcher& matcher) {
    std::vector<ParagraphMatch> found;
    for (size_t p = 0; p < document.paragraphs.size(); ++p) {
        const QString text = paragraphText(document.paragraphs[p]);
        matcher.forEachMatch(text, [&](int start, int length) {
            const int from = std::max(0, start - kContextBefore);
            const int to = std::min(int(text.size()), start + length + kContextAfter);
            found.push_back({int(p), start, length, contextLine(text.mid(from, to - from)), start - from});
        });
    }
    return found;
}

int replaceInDocument(richtext::RichDocument& document, const TextMatcher& matcher, const QString& replacement) {
    int count = 0;
    for (richtext::Paragraph& paragraph : document.paragraphs) count += replaceInParagraph(paragraph, matcher, replacement);
    return count;
}

int replaceInText(QString& text, const TextMatcher& matcher, const QString& replacement) {
    QString out;
    int copied = 0, count = 0;
    matcher.forEachMatch(text, [&](int start, int length) {
        out += text.mid(copied, start - copied);
        out += matcher.replacementFor(text, start, length, replacement);
        copied = start + length;
        ++count;
    });
    if (count > 0) text = out + text.mid(copied);
    return count;
}

}  // namespace pgw::editors
