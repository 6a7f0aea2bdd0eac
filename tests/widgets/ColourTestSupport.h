// A shown colour picker whose signals are written down in order, and helpers to drive
// its popup with real mouse and key events.
#pragma once

#include "widgets/CColourPicker.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace pgw::test {

struct Notification {
    std::string name;
    QColor colour;
    int controlId = 0;
    bool operator==(const Notification&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Notification& n) {
    return out << n.name << "(" << (n.colour.isValid() ? n.colour.name().toStdString() : "automatic") << ", "
               << n.controlId << ")";
}

inline constexpr int kPickerId = 32860;

class PickerFixture : public testing::Test {
protected:
    void SetUp() override {
        picker = std::make_unique<CColourPicker>(nullptr, kPickerId);
        picker->resize(50, 22);
        picker->move(100, 100);
        record(&CColourPicker::selectionChanged, "changed");
        record(&CColourPicker::dropDownOpened, "opened");
        record(&CColourPicker::closedUp, "closed");
        record(&CColourPicker::selectionEnded, "ended");
        record(&CColourPicker::selectionCancelled, "cancelled");
        picker->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(picker.get()));
    }

    // Opens the popup with the given colour and forgets the "opened" notification.
    CColourDropDown* open(const QColor& colour) {
        picker->SetColour(colour);
        const std::vector<Notification> before = seen;
        QTest::mouseClick(picker.get(), Qt::LeftButton);
        CColourDropDown* popup = picker->dropDown();
        EXPECT_NE(popup, nullptr);
        std::vector<Notification> expected = before;
        expected.push_back({"opened", colour, kPickerId});
        EXPECT_EQ(seen, expected);
        seen = before;
        return popup;
    }

    static void hover(CColourDropDown* popup, int index) {
        QMouseEvent move(QEvent::MouseMove, popup->boxRect(index).center(), popup->mapToGlobal(popup->boxRect(index).center()),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(popup, &move);
    }

    static void key(CColourDropDown* popup, Qt::Key k) { QTest::keyClick(popup, k); }

    static void settle() { QApplication::processEvents(); QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    Notification changed(const QColor& c) const { return {"changed", c, kPickerId}; }
    Notification closed(const QColor& c) const { return {"closed", c, kPickerId}; }
    Notification ended(const QColor& c) const { return {"ended", c, kPickerId}; }
    Notification cancelled(const QColor& c) const { return {"cancelled", c, kPickerId}; }

    std::unique_ptr<CColourPicker> picker;
    std::vector<Notification> seen;

private:
    template <typename Signal>
    void record(Signal signal, const char* name) {
        QObject::connect(picker.get(), signal, picker.get(), [this, name](const QColor& colour, int id) {
            seen.push_back({name, colour, id});
        });
    }
};

inline const QColor kBlack{0, 0, 0};
inline const QColor kWhite{255, 255, 255};
inline const QColor kDarkRed{139, 0, 0};
inline const QColor kOffTable{1, 2, 3};

}  // namespace pgw::test
