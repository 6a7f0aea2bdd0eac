// The picture object's arithmetic and the list's choices: zoom steps and rounding, the
// hit order of overlapping pictures, alignment when drawing, repaint on move, and files.

#include "PictureBytes.h"
#include "editors/pictures/CPictureObjList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

namespace pgw::pictures::test {
namespace {

TEST(MulDiv, RoundsHalvesAwayFromZeroAndFlagsZeroAndOverflow) {
    EXPECT_EQ(mulDiv(15, 100, 10), 150);
    EXPECT_EQ(mulDiv(1, 1, 2), 1);
    EXPECT_EQ(mulDiv(-1, 1, 2), -1);
    EXPECT_EQ(mulDiv(1, 1, 3), 0);
    EXPECT_EQ(mulDiv(2, 1, 3), 1);
    EXPECT_EQ(mulDiv(-2, 1, -3), 1);
    EXPECT_EQ(mulDiv(7, 100, 0), -1);
    EXPECT_EQ(mulDiv(0x7FFFFFFF, 100, 1), -1);
    EXPECT_EQ(mulDiv(int32_t(0x80000000), 1, 1), int32_t(0x80000000));
}

CPictureObj zoomable(PictureRect base, PictureRect pos) {
    CPictureObj picture;
    picture.m_rcBase = base;
    picture.m_rcPos = pos;
    return picture;
}

TEST(Zoom, StepsByTenBetweenTenAndFiveHundred) {
    CPictureObj picture = zoomable({0, 0, 200, 100}, {0, 0, 200, 100});
    picture.recomputeZoom();
    EXPECT_EQ(picture.m_nZoomX, 100);
    picture.zoomIn();
    EXPECT_EQ(picture.m_nZoomX, 110);
    EXPECT_EQ(picture.m_rcPos, (PictureRect{0, 0, 220, 110}));
    for (int i = 0; i < 60; ++i) picture.zoomIn();
    EXPECT_EQ(picture.m_nZoomX, 500);
    EXPECT_EQ(picture.m_rcPos, (PictureRect{0, 0, 1000, 500}));
    for (int i = 0; i < 60; ++i) picture.zoomOut();
    EXPECT_EQ(picture.m_nZoomY, 10);
    EXPECT_EQ(picture.m_rcPos, (PictureRect{0, 0, 20, 10}));
}

struct ZoomCase {
    PictureRect base, pos;
    bool in;
    int32_t zoomX, zoomY;
    PictureRect after;
};

class ZoomCases : public ::testing::TestWithParam<ZoomCase> {};

TEST_P(ZoomCases, RecomputeRoundsAndApplyKeepsTheRightEdge) {
    const ZoomCase& c = GetParam();
    CPictureObj picture = zoomable(c.base, c.pos);
    c.in ? picture.zoomIn() : picture.zoomOut();
    EXPECT_EQ(picture.m_nZoomX, c.zoomX);
    EXPECT_EQ(picture.m_nZoomY, c.zoomY);
    EXPECT_EQ(picture.m_rcPos, c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Zoom, ZoomCases,
    ::testing::Values(
        // 15 % and 10 % go to 10 %; 45 % (rounded from 44.7) goes to 35 %.
        ZoomCase{{0, 0, 100, 100}, {0, 0, 15, 10}, false, 10, 10, {0, 0, 10, 10}},
        ZoomCase{{0, 0, 300, 300}, {0, 0, 134, 134}, false, 35, 35, {0, 0, 105, 105}},
        // 510 % is not increased; 495 % still is.
        ZoomCase{{0, 0, 100, 200}, {0, 0, 510, 990}, true, 510, 505, {0, 0, 510, 1010}},
        // 3 x 33.3 % rounds to 33 %; the new extent rounds too: 3 * 43 / 100 = 1.29 -> 1.
        ZoomCase{{0, 0, 3, 3}, {10, 10, 11, 11}, true, 43, 43, {10, 10, 11, 11}},
        // A flipped rectangle keeps its right and bottom edges.
        ZoomCase{{0, 0, 100, 100}, {150, 160, 40, 50}, false, 10, 10, {50, 60, 40, 50}},
        // A zero base cannot give a percentage (-1); the extent becomes 0.
        ZoomCase{{0, 0, 0, 0}, {5, 5, 25, 25}, false, 10, 10, {5, 5, 5, 5}},
        // Extreme stored rectangles saturate instead of wrapping.
        ZoomCase{{0, 0, 0x7FFFFFFF, 1}, {0x7FFFFF00, 0, 0x7FFFFFFF, 1}, true, 10, 110,
                 {0x7FFFFF00, 0, 0x7FFFFFFF, 1}}));

TEST(Zoom, FlippedRectanglesAndEqualTopAndBottom) {
    CPictureObj picture = zoomable({0, 0, 100, 100}, {40, 50, 50, 50});
    picture.zoomIn();  // top == bottom: the bottom stays
    EXPECT_EQ(picture.m_rcPos.bottom, 50);
    EXPECT_EQ(picture.m_rcPos.left, 40);
}

std::unique_ptr<CPictureObj> at(PictureRect pos) {
    auto picture = std::make_unique<CPictureObj>();
    picture->m_rcPos = pos;
    return picture;
}

TEST(PictureList, HitTestTakesTheFirstFromTheHeadOnNormalisedRectanglesInDeviceUnits) {
    CPictureObjList list;
    CPictureObj& back = list.addHead(at({0, 0, 100, 100}));
    CPictureObj& front = list.addHead(at({80, 80, 50, 50}));  // flipped, overlapping `back`
    DeviceContext dc;
    EXPECT_EQ(list.hitTest({60, 60}, dc), &front);
    EXPECT_EQ(list.hitTest({20, 20}, dc), &back);
    EXPECT_EQ(list.hitTest({80, 60}, dc), &back);  // right edge of `front` is outside it
    EXPECT_EQ(list.hitTest({100, 10}, dc), nullptr);
    dc.origin = {-30, -30};  // scrolled by 30: device = logical - 30
    EXPECT_EQ(list.hitTest({25, 25}, dc), &front);
    EXPECT_EQ(list.hitTest({70, 10}, dc), nullptr);
}

TEST(PictureList, SelectionRemovalAndOwnership) {
    CPictureObjList list;
    CPictureObj& a = list.addTail(at({}));
    CPictureObj& b = list.addTail(at({}));
    EXPECT_EQ(list.firstSelected(), nullptr);
    b.m_bSelected = 7;
    a.m_bSelected = 1;
    EXPECT_EQ(list.firstSelected(), &a);
    list.deselectAll();
    EXPECT_EQ(list.firstSelected(), nullptr);
    CPictureObj stranger;
    EXPECT_EQ(list.remove(&stranger), nullptr);
    std::unique_ptr<CPictureObj> taken = list.remove(&a);
    EXPECT_EQ(taken.get(), &a);
    EXPECT_EQ(list.size(), 1u);
}

CPictureObj withImage(PictureRect pos, int32_t hAlign, int32_t vAlign) {
    CPictureObj picture;
    picture.m_picture.emplace(gifHeader(40, 20));
    picture.m_rcPos = pos;
    picture.m_nHAlign = hAlign;
    picture.m_nVAlign = vAlign;
    return picture;
}

TEST(DrawPlan, AlignmentOffsetsTruncateTowardZero) {
    DeviceContext dc;
    dc.clipBox = {10, 10, 111, 61};  // 101 x 51
    struct Case {
        int32_t h, v;
        PictureRect expected;
    };
    // Natural size 40 x 20: room of 111 - 40 - 10 = 61 across and 51 - 10 - 20 = 31 down.
    for (const Case& c : {Case{0, 0, {0, 0, 40, 20}}, Case{1, 0, {30, 0, 70, 20}}, Case{2, 2, {61, 31, 101, 51}},
                          Case{5, 1, {0, 15, 40, 35}}, Case{1, -3, {30, 15, 70, 35}}}) {
        const DrawPlan plan = withImage({}, c.h, c.v).planDraw(dc);
        EXPECT_TRUE(plan.drawImage);
        EXPECT_EQ(plan.imageRect, c.expected) << c.h << "," << c.v;
    }
    dc.clipBox = {0, 0, 20, 10};  // smaller than the picture: negative offsets, toward zero
    EXPECT_EQ(withImage({}, 1, 1).planDraw(dc).imageRect, (PictureRect{-10, -5, 30, 15}));
    dc.clipBox = {0, 0, 19, 9};  // -21 / 2 and -11 / 2
    EXPECT_EQ(withImage({}, 1, 1).planDraw(dc).imageRect, (PictureRect{-10, -5, 30, 15}));
}

TEST(DrawPlan, PlacementVisibilityTrackerAndNoImage) {
    DeviceContext dc;
    dc.origin = {-5, -7};
    CPictureObj picture = withImage({100, 100, 150, 130}, 0, 0);
    picture.m_bSelected = 1;
    DrawPlan plan = picture.planDraw(dc);
    EXPECT_EQ(plan.imageRect, (PictureRect{100, 100, 150, 130}));
    EXPECT_TRUE(plan.drawTracker);
    EXPECT_EQ(plan.trackerRect, (PictureRect{95, 93, 145, 123}));
    picture.m_bVisible = 0;
    dc.printing = true;
    plan = picture.planDraw(dc);
    EXPECT_FALSE(plan.drawImage);
    EXPECT_FALSE(plan.drawTracker);
    picture.m_picture.reset();
    picture.m_bVisible = 1;
    dc.printing = false;
    plan = picture.planDraw(dc);
    EXPECT_FALSE(plan.drawImage || plan.drawTracker);
}

TEST(PictureObj, GetSizeConvertsTheHimetricSizeToTheDevice) {
    CPictureObj picture = withImage({}, 0, 0);
    EXPECT_EQ(picture.m_picture->himetric(), (HimetricSize{1058, 529}));
    EXPECT_EQ(picture.getSize(DeviceContext{}), (PixelSize{40, 20}));
    DeviceContext printer;
    printer.dpiX = 192;
    printer.dpiY = 48;
    EXPECT_EQ(picture.getSize(printer), (PixelSize{80, 10}));
    for (int32_t side = 1; side <= 2000; ++side)  // the screen's pixels survive the round trip
        ASSERT_EQ(mulDiv(himetricFromPixels({side, side}).cx, 96, 2540), side);
    EXPECT_EQ(CPictureObj().getSize(DeviceContext{}), (PixelSize{}));
}

class RecordingSurface : public PictureSurface {
public:
    DeviceContext deviceContext() const override { return dc; }
    void invalidate(const PictureRect& device) override { invalidated.push_back(device); }
    void updateNow() override { ++updates; }
    DeviceContext dc;
    std::vector<PictureRect> invalidated;
    int updates = 0;
};

TEST(PictureObj, MoveToRepaintsOldAndNewPlacesWithTheTrackerAround) {
    RecordingSurface view;
    view.dc.origin = {0, -100};
    CPictureObj picture;
    picture.m_rcPos = {10, 120, 50, 160};
    picture.moveTo({10, 120, 50, 160}, view);
    EXPECT_TRUE(view.invalidated.empty());
    EXPECT_EQ(view.updates, 0);
    picture.moveTo({60, 130, 100, 170}, view);
    EXPECT_EQ(picture.m_rcPos, (PictureRect{60, 130, 100, 170}));
    ASSERT_EQ(view.invalidated.size(), 2u);
    EXPECT_EQ(view.invalidated[0], (PictureRect{2, 12, 58, 68}));
    EXPECT_EQ(view.invalidated[1], (PictureRect{52, 22, 108, 78}));
    EXPECT_EQ(view.updates, 1);
}

class PictureFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("pgw-pictures-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string file(const std::string& name, const std::string& bytes) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::filesystem::path dir_;
};

TEST_F(PictureFiles, LoadFromFileTakesTheFourFormatsByteForByteAndRefusesTheRest) {
    using R = LoadFileResult;
    const std::string png = "\x89PNG\r\n\x1A\n" + std::string(16, '\0');
    const struct {
        std::string name, bytes;
        R result;
    } cases[] = {
        {"a.jpg", jpegHeader(64, 48), R::Loaded},       {"a.bmp", solidBmp(2, 3, 0, 0, 0), R::Loaded},
        {"a.gif", gifHeader(1, 1), R::Loaded},          {"a.ico", iconHeader(0, 16), R::Loaded},
        {"b.jpg", "\xFF\xD8\xFF\xD9", R::NotAPicture},  {"a.txt", "hello", R::NotAPicture},
        {"a.png", png, R::PngNotSupported},             {"empty.bmp", "", R::NotAPicture},
    };
    for (const auto& c : cases) {
        CPictureObj picture;
        picture.m_picture.emplace("old");
        const std::string path = file(c.name, c.bytes);
        EXPECT_EQ(picture.loadFromFile(path), c.result) << c.name;
        EXPECT_EQ(picture.m_strPath, path);
        EXPECT_EQ(picture.hasImage(), c.result == R::Loaded) << c.name;
        if (picture.hasImage()) {
            EXPECT_EQ(picture.m_picture->bytes(), c.bytes) << c.name;
        }
    }
    CPictureObj missing;
    EXPECT_EQ(missing.loadFromFile((dir_ / "none.jpg").string()), R::NoSuchFile);
    EXPECT_EQ(missing.loadFromFile(dir_.string()), R::NoSuchFile);
}

TEST_F(PictureFiles, PngGoesThroughTheDecoderIntoABitmapPlacedAtItsNaturalSize) {
    const std::string png = "\x89PNG\r\n\x1A\n";
    const PngDecoder decoder = [](std::string_view) { return RgbImage{{2, 1}, {255, 0, 0, 0, 0, 255}}; };
    CPictureObj picture;
    ASSERT_EQ(picture.loadFromBytes(png, decoder), LoadFileResult::Loaded);
    EXPECT_EQ(picture.m_picture->bytes(), *bmpFileFromRgb({{2, 1}, {255, 0, 0, 0, 0, 255}}));
    picture.placeAtNaturalSize(5, 30);
    EXPECT_EQ(picture.m_rcPos, (PictureRect{5, 30, 7, 31}));
    EXPECT_EQ(picture.m_rcBase, picture.m_rcPos);
    EXPECT_EQ(picture.m_nZoomX, 100);
    const PngDecoder failing = [](std::string_view) { return std::optional<RgbImage>(); };
    EXPECT_EQ(picture.loadFromBytes(png, failing), LoadFileResult::NotAPicture);
    EXPECT_FALSE(picture.hasImage());
}

}  // namespace
}  // namespace pgw::pictures::test
