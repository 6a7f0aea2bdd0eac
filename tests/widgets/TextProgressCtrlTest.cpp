// The text progress bar: what it draws where, when it redraws, and its texts.
#include "widgets/CTextProgressCtrl.h"
#include "widgets/ColourConversion.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <set>

namespace pgw::test {
namespace {

constexpr colour::ColourRef kBar = 0x00FF00;          // green
constexpr colour::ColourRef kBackground = 0xFAE6E6;   // the form's pale blue
constexpr colour::ColourRef kOverBar = 0x0000FF;      // red
constexpr colour::ColourRef kOverBackground = 0xFF0000;  // blue

QRgb rgbOf(colour::ColourRef ref) { return colour::toQColor(ref).rgb(); }

// Counts the paint events the bar receives.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

class ProgressFixture : public testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<QWidget>();
        window->resize(400, 100);
        bar = new CTextProgressCtrl(window.get());
        bar->setGeometry(10, 10, 200, 20);
        QFont font = bar->font();
        font.setStyleStrategy(QFont::NoAntialias);  // exact pixel colours to compare
        bar->setFont(font);
        bar->SetBarColour(kBar);
        bar->SetBackgroundColour(kBackground);
        bar->SetTextColourOverBar(kOverBar);
        bar->SetTextColourOverBackground(kOverBackground);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        bar->installEventFilter(&counter);
        settle();
    }

    void settle() {
        QApplication::processEvents();
        counter.paints = 0;
    }

    // The bar drawn over a sentinel colour, so undrawn pixels keep it.
    QImage rendered() const {
        QImage image(bar->size(), QImage::Format_RGB32);
        image.fill(QColor(1, 2, 3));
        bar->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
        return image;
    }

    static std::set<QRgb> coloursIn(const QImage& image, int fromX, int toX) {
        std::set<QRgb> found;
        for (int y = 0; y < image.height(); ++y)
            for (int x = fromX; x < toX; ++x) found.insert(image.pixel(x, y));
        return found;
    }

    std::unique_ptr<QWidget> window;
    CTextProgressCtrl* bar = nullptr;
    PaintCounter counter;
};

TEST(TextProgressDefaults, StartAsAnEmptyHundredStepBarShowingItsPercentage) {
    CTextProgressCtrl fresh;
    EXPECT_EQ(fresh.GetPos(), 0);
    EXPECT_EQ(fresh.GetStep(), 1);
    EXPECT_EQ(fresh.lower(), 0);
    EXPECT_EQ(fresh.upper(), 100);
    EXPECT_TRUE(fresh.showText());
    EXPECT_EQ(fresh.shownText(), QStringLiteral("0%"));
    const QPalette palette = fresh.palette();
    EXPECT_EQ(fresh.barColour(), colour::toColourRef(palette.color(QPalette::Highlight)));
    EXPECT_EQ(fresh.textColourOverBackground(), fresh.barColour());
    EXPECT_EQ(fresh.backgroundColour(), colour::toColourRef(palette.color(QPalette::Base)));
    EXPECT_EQ(fresh.textColourOverBar(), fresh.backgroundColour());

    // A new palette (a theme switched) recolours what no caller chose, and only that.
    fresh.SetBarColour(0x0000FF);
    QPalette dark = palette;
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    dark.setColor(QPalette::Highlight, QColor(0, 90, 200));
    fresh.setPalette(dark);
    EXPECT_EQ(fresh.barColour(), colour::ColourRef(0x0000FF));
    EXPECT_EQ(fresh.backgroundColour(), colour::toColourRef(QColor(30, 30, 30)));
    EXPECT_EQ(fresh.textColourOverBackground(), colour::toColourRef(QColor(0, 90, 200)));
}

struct PositionCase {
    int32_t lower, upper, position;
    const char* text;
    int filledOf200;
};

std::ostream& operator<<(std::ostream& out, const PositionCase& c) {
    return out << c.lower << ".." << c.upper << "@" << c.position;
}

class ProgressPositions : public testing::TestWithParam<PositionCase> {};

TEST_P(ProgressPositions, GiveExactPercentAndFilledWidthWithoutOverflow) {
    const PositionCase& c = GetParam();
    CTextProgressCtrl bar;
    bar.SetRange(c.lower, c.upper);
    bar.SetPos(c.position);
    EXPECT_EQ(bar.shownText().toStdString(), c.text);
    EXPECT_EQ(bar.filledWidth(200), c.filledOf200);
}

INSTANTIATE_TEST_SUITE_P(Ranges, ProgressPositions, testing::Values(
    PositionCase{0, 100, 37, "37%", 74},
    PositionCase{0, 100, 29, "29%", 58},        // 0.29 * 100 is 28.999... in floating point
    PositionCase{0, 100, 150, "150%", 200},     // beyond upper: full bar, more than 100%
    PositionCase{0, 100, -10, "-10%", 0},       // below lower: nothing filled
    PositionCase{-50, 50, 0, "50%", 100},
    PositionCase{0, 3, 1, "33%", 66},
    PositionCase{0, 0, 5, "0%", 0},             // empty range: no division
    PositionCase{10, 5, 7, "0%", 0},            // reversed range: no division
    PositionCase{INT32_MIN, INT32_MAX, INT32_MAX, "100%", 200},
    PositionCase{0, 1, INT32_MAX, "214748364700%", 200}));

TEST_F(ProgressFixture, DrawsThePercentTwiceEachCopyInItsSidesColour) {
    // Narrow enough that "37%" straddles the edge of the filled part.
    bar->resize(60, 20);
    bar->SetPos(37);
    const QImage image = rendered();
    const int split = bar->filledWidth(60);
    ASSERT_EQ(split, 22);
    const std::set<QRgb> left = coloursIn(image, 0, split);
    const std::set<QRgb> right = coloursIn(image, split, 60);
    EXPECT_EQ(left, (std::set<QRgb>{rgbOf(kBar), rgbOf(kOverBar)}));
    EXPECT_EQ(right, (std::set<QRgb>{rgbOf(kBackground), rgbOf(kOverBackground)}));
    EXPECT_EQ(bar->shownText(), QStringLiteral("37%"));
}

TEST_F(ProgressFixture, BeyondUpperFillsTheWholeBar) {
    bar->SetPos(150);
    const QImage image = rendered();
    EXPECT_EQ(coloursIn(image, 0, 10), std::set<QRgb>{rgbOf(kBar)});
    EXPECT_EQ(coloursIn(image, 190, 200), std::set<QRgb>{rgbOf(kBar)});
    EXPECT_TRUE(coloursIn(image, 0, 200).count(rgbOf(kOverBar)));
    EXPECT_FALSE(coloursIn(image, 0, 200).count(rgbOf(kBackground)));
}

TEST_F(ProgressFixture, CustomTextReplacesThePercentAndHidingTextLeavesPlainParts) {
    bar->SetPos(50);
    bar->SetWindowText(QStringLiteral("合成"));
    EXPECT_EQ(bar->shownText(), QStringLiteral("合成"));
    EXPECT_EQ(bar->GetWindowText(), QStringLiteral("合成"));
    bar->SetShowText(false);
    const QImage image = rendered();
    EXPECT_EQ(coloursIn(image, 0, 100), std::set<QRgb>{rgbOf(kBar)});
    EXPECT_EQ(coloursIn(image, 100, 200), std::set<QRgb>{rgbOf(kBackground)});
}

TEST_F(ProgressFixture, EmptyRangePaintsNothingButKeepsThePosition) {
    for (const auto& [lower, upper] : {std::pair{0, 0}, std::pair{7, 3}}) {
        bar->SetRange(lower, upper);
        bar->SetPos(0);
        EXPECT_EQ(bar->SetPos(12), 0);
        EXPECT_EQ(bar->GetPos(), 12);
        EXPECT_EQ(coloursIn(rendered(), 0, 200), std::set<QRgb>{qRgb(1, 2, 3)});
    }
}

TEST_F(ProgressFixture, RedrawsAtOnceOnlyWhenTheFilledWidthChanges) {
    bar->SetRange(0, 1000);  // 200 pixels: one pixel per five positions
    bar->SetPos(0);
    EXPECT_EQ(counter.paints, 1) << "the first position after creation always redraws";
    for (int position = 1; position < 5; ++position) {
        EXPECT_EQ(bar->SetPos(position), position - 1);
        EXPECT_EQ(counter.paints, 1) << position;
    }
    bar->SetPos(5);
    EXPECT_EQ(counter.paints, 2) << "synchronous: no event loop ran";
    // A new range, step or colours alone never redraw.
    bar->SetRange(0, 10);
    bar->SetStep(3);
    bar->SetBarColour(0x123456);
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 2);
}

TEST_F(ProgressFixture, ResizeMakesTheNextPositionRedraw) {
    bar->SetPos(40);
    bar->SetPos(40);
    EXPECT_EQ(counter.paints, 1);
    bar->resize(300, 20);
    settle();
    bar->SetPos(40);
    EXPECT_EQ(counter.paints, 1);
}

TEST_F(ProgressFixture, SameWindowTextTwiceRedrawsOnce) {
    bar->SetWindowText(QStringLiteral("复制中"));
    bar->SetWindowText(QStringLiteral("复制中"));
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 1);
    settle();
    bar->SetWindowText(QString());  // null while a text is set: back to the percentage
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 1);
    EXPECT_EQ(bar->shownText(), QStringLiteral("0%"));
    settle();
    bar->SetWindowText(QString());
    bar->SetWindowText(QStringLiteral(""));
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);
}

TEST(TextProgressStep, StepItAddsTheStepAndStopsAtTheEndOfTheRange) {
    CTextProgressCtrl bar;
    bar.SetStep(3);
    EXPECT_EQ(bar.StepIt(), 0);
    EXPECT_EQ(bar.StepIt(), 3);
    EXPECT_EQ(bar.GetPos(), 6);
    bar.SetPos(INT32_MAX - 1);
    bar.StepIt();
    EXPECT_EQ(bar.GetPos(), INT32_MAX);
    bar.SetStep(-5);
    bar.SetPos(INT32_MIN + 2);
    bar.StepIt();
    EXPECT_EQ(bar.GetPos(), INT32_MIN);
}

struct TextCopyCase {
    const char* text;
    int bufferSize;
    int copied;
    const char* expected;  // GBK bytes
};

std::ostream& operator<<(std::ostream& out, const TextCopyCase& c) {
    return out << "buffer" << c.bufferSize << "_copies" << c.copied;
}

class ProgressTextCopy : public testing::TestWithParam<TextCopyCase> {};

TEST_P(ProgressTextCopy, CopiesWholeCharactersAndTerminates) {
    const TextCopyCase& c = GetParam();
    CTextProgressCtrl bar;
    bar.SetWindowText(QString::fromUtf8(c.text));
    char buffer[16];
    std::fill(std::begin(buffer), std::end(buffer), 'x');
    EXPECT_EQ(bar.GetWindowText(buffer, c.bufferSize), c.copied);
    if (c.bufferSize > 0) {
        EXPECT_STREQ(buffer, c.expected);
    }
    EXPECT_EQ(buffer[c.bufferSize], 'x') << "nothing written past the buffer";
}

INSTANTIATE_TEST_SUITE_P(Buffers, ProgressTextCopy, testing::Values(
    TextCopyCase{"abc", 10, 3, "abc"},
    TextCopyCase{"abc", 4, 3, "abc"},
    TextCopyCase{"abc", 3, 2, "ab"},             // room left for the terminator
    TextCopyCase{"中文", 4, 2, "\xD6\xD0"},       // never half a character
    TextCopyCase{"中文", 5, 4, "\xD6\xD0\xCE\xC4"},
    TextCopyCase{"a\U0001F600b", 10, 1, "a"},   // GBK lacks the emoji: the copy ends there
    TextCopyCase{"abc", 1, 0, ""},
    TextCopyCase{"abc", 0, 0, ""}));

}  // namespace
}  // namespace pgw::test
