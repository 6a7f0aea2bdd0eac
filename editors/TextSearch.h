#pragma once
// Finding and replacing text in a page's model, paragraph by paragraph: a match never
// crosses a paragraph's end, as in the text view. A picture counts as one character,
// U+FFFC, as the text view's blocks show it.

#include "platform/richtext/RichDocument.h"

#include <QRegularExpression>
#include <QString>

#include <functional>
#include <vector>

namespace pgw::editors {

struct SearchQuery {
    QString text;
    bool regularExpression = false;
    bool matchCase = false;
    bool wholeWord = false;
};

// A query made ready to match. Empty matches are never reported.
class TextMatcher {
public:
    explicit TextMatcher(const SearchQuery& query);

    // False for an empty query or an expression that does not compile; errorText() says why.
    bool isValid() const { return valid_; }
    QString errorText() const { return error_; }
    const QString& queryText() const { return query_; }

    // Calls `found` with the start and length of every match in `text`, left to right.
    void forEachMatch(const QString& text, const std::function<void(int start, int length)>& found) const;
    // What replaces a match: for an expression, \0 to \9 stand for its captures and \\ for a
    // backslash; plain text is taken as it is.
    QString replacementFor(const QString& text, int start, int length, const QString& replacement) const;

private:
    QString query_;
    QRegularExpression expression_;
    bool regular_ = false;
    bool valid_ = false;
    QString error_;
};

// The characters of a paragraph as the text view has them.
QString paragraphText(const richtext::Paragraph& paragraph);

struct ParagraphMatch {
    int paragraph = 0;
    int start = 0;  // UTF-16 units in paragraphText()
    int length = 0;
    QString context;  // the words around the match, on one line
    int contextStart = 0;  // where the match starts in `context`
};

std::vector<ParagraphMatch> findInDocument(const richtext::RichDocument& document, const TextMatcher& matcher);

// Replaces every match; the replacement takes the format of the match's first character,
// and pictures inside a match stay, after the replacement. Returns the count.
int replaceInDocument(richtext::RichDocument& document, const TextMatcher& matcher, const QString& replacement);

// A chapter name with every match replaced, and the count (0: unchanged).
int replaceInText(QString& text, const TextMatcher& matcher, const QString& replacement);

}  // namespace pgw::editors
