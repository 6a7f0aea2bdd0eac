#pragma once
// A progress bar that paints itself: the filled part and the empty part in colours of its
// own, and a centred text (the percentage unless a custom text is set) whose colour
// changes where it crosses the edge of the filled part.
//
// It repaints at once, synchronously, whenever the filled width changes, so a long copy
// on the interface thread still shows its progress.

#include "widgets/ColourTable.h"

#include <QProgressBar>
#include <QString>

#include <cstdint>

namespace pgw {

class CTextProgressCtrl : public QProgressBar {
public:
    explicit CTextProgressCtrl(QWidget* parent = nullptr);

    // No redraw; the next SetPos that changes the filled width shows the new range.
    void SetRange(int32_t lower, int32_t upper);
    // Returns the previous position.
    int32_t SetPos(int32_t position);
    int32_t StepIt();
    void SetStep(int32_t step) { step_ = step; }

    int32_t GetPos() const { return position_; }
    int32_t GetStep() const { return step_; }
    int32_t lower() const { return lower_; }
    int32_t upper() const { return upper_; }

    // Colour references (0x00BBGGRR); stored only, shown at the next redraw.
    // Colours never set follow the palette, also when it changes.
    void SetBarColour(colour::ColourRef colour) {
        barColour_ = colour;
        chosen_ |= kBarChosen;
    }
    void SetBackgroundColour(colour::ColourRef colour) {
        backgroundColour_ = colour;
        chosen_ |= kBackgroundChosen;
    }
    void SetTextColourOverBackground(colour::ColourRef colour) {
        textOverBackground_ = colour;
        chosen_ |= kTextOverBackgroundChosen;
    }
    void SetTextColourOverBar(colour::ColourRef colour) {
        textOverBar_ = colour;
        chosen_ |= kTextOverBarChosen;
    }
    colour::ColourRef barColour() const { return barColour_; }
    colour::ColourRef backgroundColour() const { return backgroundColour_; }
    colour::ColourRef textColourOverBackground() const { return textOverBackground_; }
    colour::ColourRef textColourOverBar() const { return textOverBar_; }

    void SetShowText(bool show) { showText_ = show; }
    bool showText() const { return showText_; }

    // The window text is the custom text; an empty one brings the percentage back.
    void SetWindowText(const QString& text);
    QString GetWindowText() const { return customText_; }
    // The custom text as GBK into a caller's buffer: whole characters only, always
    // terminated, never more than `bufferSize` bytes with the terminator. Returns the
    // bytes copied without the terminator. Characters GBK lacks end the copy.
    int GetWindowText(char* buffer, int bufferSize) const;

    // What the bar shows now: the custom text, or the percentage ("37%", "150%").
    QString shownText() const;
    // The filled part's width for the current values and a client `width`; 0..width.
    int filledWidth(int width) const;

    QString text() const override { return shownText(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    enum : unsigned { kBarChosen = 1, kBackgroundChosen = 2, kTextOverBackgroundChosen = 4, kTextOverBarChosen = 8 };
    void followPalette();

    // Exact integer arithmetic: no rounding down of 29% to 28%, no overflow, and no
    // division when the range is empty.
    int64_t scaled(int64_t scale) const;
    bool hasRange() const { return lower_ < upper_; }
    void paintBar(QPainter& painter, const QRect& client) const;

    int32_t position_ = 0;
    int32_t step_ = 1;
    int32_t upper_ = 100;
    int32_t lower_ = 0;
    QString customText_;
    bool showText_ = true;
    int64_t drawnWidth_ = -1;  // -1: the next SetPos redraws whatever it computes
    colour::ColourRef barColour_;
    colour::ColourRef backgroundColour_;
    colour::ColourRef textOverBackground_;
    colour::ColourRef textOverBar_;
    unsigned chosen_ = 0;  // the colours a caller set
};

}  // namespace pgw
