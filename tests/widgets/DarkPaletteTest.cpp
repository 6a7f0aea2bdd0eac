// Under a dark theme the owner-drawn controls' text reads on what it is drawn on: the links'
// fixed colours on the dark window, a button whose caller chose a light face, and disabled
// buttons and pickers (whose embossed look, faint by design on a light face, vanishes on a
// dark one).

#include "widgets/CColourPicker.h"
#include "widgets/CHoverButton.h"
#include "widgets/CStaticLink.h"
#include "tests/support/DarkPalette.h"
#include "tests/support/LogicalGrab.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <utility>

namespace pgw {
namespace {

TEST(DarkPalette, OwnerDrawnTextReadsOnWhatItIsDrawnOn) {
    const test::ScopedAppPalette dark(test::darkPalette());
    QWidget window;
    window.resize(320, 200);
    auto* link = new CStaticLink(QStringLiteral("http://example.org"), false, &window);
    link->setText(QStringLiteral("访问网站"));
    link->setGeometry(10, 10, 120, 20);
    auto* lightFace = new CHoverButton(QStringLiteral("返回上一界面"), CHoverButton::kPushButton, &window);
    for (const int slot : {CHoverButton::BackgroundNormal, CHoverButton::BackgroundFocused})
        lightFace->SetColour(slot, 0xFAFAFA);
    lightFace->setGeometry(10, 40, 110, 25);
    auto* offButton = new CHoverButton(QStringLiteral("禁用按钮"), CHoverButton::kPushButton, &window);
    offButton->SetFlat(false);
    offButton->setEnabled(false);
    offButton->setGeometry(10, 80, 110, 25);
    auto* offPicker = new CColourPicker(&window, 1);
    offPicker->setText(QStringLiteral("颜色"));
    offPicker->setEnabled(false);
    offPicker->setGeometry(10, 120, 200, 24);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const std::pair<QWidget*, const char*> controls[] = {
        {link, "link"}, {lightFace, "button on a light face"}, {offButton, "disabled button"}, {offPicker, "disabled picker"}};
    for (const auto& [control, what] : controls) {
        // Inside the edges, and left of the picker's arrow.
        const QRect text = control == offPicker ? QRect(3, 3, 140, 18) : control->rect().adjusted(3, 3, -3, -3);
        EXPECT_GE(test::inkContrast(test::grabLogical(*control, text)), 3.0) << what;
    }
}

}  // namespace
}  // namespace pgw
