#pragma once
// The font dialog opened on the text's format. The dialog lists only installed faces and
// their styles and sizes, so for a face this system lacks (宋体 on most Linux systems) it
// shows another face, perhaps without a bold or italic style, and it rounds sizes. What the
// author leaves as the dialog showed it keeps the text's own value: only a face, style or
// size the author picks is applied.

#include "editors/TextFormatting.h"

#include <QFontDialog>

#include <optional>

namespace pgw::editors {

class PageFontDialog {
public:
    PageFontDialog(const FontChoice& initial, QWidget* parent);

    QFontDialog& dialog() { return dialog_; }
    // Runs the dialog; what the author confirmed, nothing when cancelled.
    std::optional<FontChoice> exec();
    // The outcome of a dialog that has finished.
    std::optional<FontChoice> result() const;

private:
    QFontDialog dialog_;
    QFont initial_;
    int32_t initialTwips_;
    QFont shown_;  // what the dialog showed for it
};

}  // namespace pgw::editors
