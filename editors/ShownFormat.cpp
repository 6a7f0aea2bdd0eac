#include "editors/ShownFormat.h"

#include "editors/FormatMapping.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextList>

#include <limits>

namespace pgw::editors {
namespace {

ShownFormat shownOf(const richtext::CharFormat& format, const QFont& documentFont) {
    ShownFormat shown;
    shown.bold = format.bold;
    shown.italic = format.italic;
    shown.underline = format.isUnderlined();
    shown.strikeOut = format.strikeOut;
    // Text that names no face shows in the document's.
    shown.face = format.face.empty() ? documentFont.families().value(0, documentFont.family())
                                     : QString::fromStdString(format.face);
    shown.heightTwips = format.halfPoints * 10;
    shown.colour = format.colour ? QColor(format.colour->red, format.colour->green, format.colour->blue) : QColor();
    return shown;
}

// Once a value differs it stays empty.
template <typename T>
void keepShared(std::optional<T>& shared, const std::optional<T>& next) {
    if (shared && shared != next) shared.reset();
}

void narrowTo(ShownFormat& shown, const ShownFormat& run) {
    shown.bold = shown.bold && run.bold;
    shown.italic = shown.italic && run.italic;
    shown.underline = shown.underline && run.underline;
    shown.strikeOut = shown.strikeOut && run.strikeOut;
    keepShared(shown.face, run.face);
    keepShared(shown.heightTwips, run.heightTwips);
    keepShared(shown.colour, run.colour);
}

}  // namespace

bool ShownFormat::has(CharEffect effect) const {
    switch (effect) {
    case CharEffect::Bold: return bold;
    case CharEffect::Italic: return italic;
    case CharEffect::Underline: return underline;
    case CharEffect::StrikeOut: return strikeOut;
    }
    return false;
}

void ShownFormatScan::start(const QTextEdit& edit) {
    const QTextCursor cursor = edit.textCursor();
    const QTextDocument& document = *edit.document();
    caret_ = shownOf(fromQtCharFormat(cursor.charFormat(), document.defaultFont()), document.defaultFont());
    caret_.bullets = cursor.currentList() != nullptr;
    shown_ = caret_;
    done_ = !cursor.hasSelection();
    if (done_) return;
    start_ = cursor.selectionStart();
    end_ = cursor.selectionEnd();
    nextBlock_ = document.findBlock(start_).blockNumber();
    lastBlock_ = document.findBlock(end_).blockNumber();
    lastFormat_ = -1;
    readText_ = false;
    shown_.bullets = true;
}

bool ShownFormatScan::step(const QTextEdit& edit, int paragraphs) {
    if (done_) return true;
    const QTextDocument& document = *edit.document();
    QTextBlock block = document.findBlockByNumber(nextBlock_);
    for (int read = 0; read < paragraphs && block.isValid() && nextBlock_ <= lastBlock_; ++read) {
        shown_.bullets = shown_.bullets && block.textList();
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || fragment.position() + fragment.length() <= start_) continue;
            if (fragment.position() >= end_) break;
            // Runs of one format are read once; pictures are not text and do not count.
            if (fragment.charFormatIndex() == lastFormat_) continue;
            lastFormat_ = fragment.charFormatIndex();
            const QTextCharFormat format = fragment.charFormat();
            if (!format.isImageFormat()) readRun(format, document.defaultFont());
        }
        block = block.next();
        ++nextBlock_;
    }
    done_ = !block.isValid() || nextBlock_ > lastBlock_ || nothingShared();
    // Only pictures selected: the format the text typed next gets.
    if (done_ && !readText_) {
        const bool bullets = shown_.bullets;
        shown_ = caret_;
        shown_.bullets = bullets;
    }
    return done_;
}

void ShownFormatScan::readRun(const QTextCharFormat& format, const QFont& documentFont) {
    const ShownFormat run = shownOf(fromQtCharFormat(format, documentFont), documentFont);
    const bool bullets = shown_.bullets;
    if (readText_) narrowTo(shown_, run);
    else shown_ = run;
    shown_.bullets = bullets;
    readText_ = true;
}

// Reading on could change nothing.
bool ShownFormatScan::nothingShared() const {
    const ShownFormat& s = shown_;
    return readText_ && !s.bold && !s.italic && !s.underline && !s.strikeOut && !s.bullets && !s.face &&
           !s.heightTwips && !s.colour;
}

ShownFormat shownFormat(const QTextEdit& edit) {
    ShownFormatScan scan;
    scan.start(edit);
    scan.step(edit, std::numeric_limits<int>::max());
    return scan.format();
}

bool bulletsShown(const QTextEdit& edit) {
    const QTextCursor cursor = edit.textCursor();
    const QTextDocument& document = *edit.document();
    const QTextBlock last = document.findBlock(cursor.selectionEnd());
    for (QTextBlock block = document.findBlock(cursor.selectionStart()); block.isValid(); block = block.next()) {
        if (!block.textList()) return false;
        if (block == last) break;
    }
    return true;
}

}  // namespace pgw::editors
