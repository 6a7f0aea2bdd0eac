#pragma once
// The format the toolbar shows: the selection's, or with nothing selected the one the text
// typed next gets (the caret's). An effect is on only where all the selected text has it,
// as bullets only where every selected paragraph has them; a face, size or colour that the
// selected text does not share is left empty, as word processors show a mixed selection.

#include "editors/TextFormatting.h"

#include <QColor>
#include <QString>

#include <cstdint>
#include <optional>

class QTextEdit;

namespace pgw::editors {

struct ShownFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool bullets = false;
    std::optional<QString> face;  // as the page names it, installed or not
    std::optional<int32_t> heightTwips;
    std::optional<QColor> colour;  // an invalid colour: automatic

    bool has(CharEffect effect) const;
    bool operator==(const ShownFormat&) const = default;
};

// Reads what a selection shares a number of paragraphs at a time, so that widening a
// selection of a huge page does not wait for all of it. The caret alone is read at once,
// and at next to no cost. Between steps the document must not change.
class ShownFormatScan {
public:
    void start(const QTextEdit& edit);
    // Reads up to `paragraphs` more of the selection; true once all of it is read.
    bool step(const QTextEdit& edit, int paragraphs);
    bool done() const { return done_; }
    // What the selection read so far shares; only ever narrows as more is read.
    const ShownFormat& format() const { return shown_; }

private:
    void readRun(const QTextCharFormat& format, const QFont& documentFont);
    bool nothingShared() const;

    ShownFormat shown_;
    ShownFormat caret_;
    int start_ = 0;
    int end_ = 0;
    int nextBlock_ = 0;
    int lastBlock_ = 0;
    int lastFormat_ = -1;
    bool readText_ = false;
    bool done_ = true;
};

// The whole selection read at once.
ShownFormat shownFormat(const QTextEdit& edit);
// Every paragraph the selection touches is a bullet paragraph (the caret's, without one).
bool bulletsShown(const QTextEdit& edit);

}  // namespace pgw::editors
