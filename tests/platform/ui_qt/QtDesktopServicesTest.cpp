// What the desktop is handed: addresses stay addresses, everything else is a local file,
// and nothing is opened for empty input or a file that is not there.

#include "platform/ui/QtDesktopServices.h"

#include <QDir>

#include <gtest/gtest.h>

namespace pgw::ui {
namespace {

struct UrlCase {
    const char* address;
    const char* scheme;  // "" for an invalid URL
    bool localFile;
};

class QtDesktopServicesUrl : public ::testing::TestWithParam<UrlCase> {};

TEST_P(QtDesktopServicesUrl, KeepsSchemesAndTakesTheRestAsFiles) {
    const UrlCase& c = GetParam();
    const QUrl url = QtDesktopServices::urlFor(c.address);
    EXPECT_EQ(url.scheme().toStdString(), c.scheme) << c.address;
    EXPECT_EQ(url.isLocalFile(), c.localFile) << c.address;
}

INSTANTIATE_TEST_SUITE_P(Addresses, QtDesktopServicesUrl,
                         ::testing::Values(UrlCase{"https://pagewright.example.org/", "https", false},
                                           UrlCase{"mailto:support@pagewright.example.org", "mailto", false},
                                           UrlCase{"  http://a.example/x  ", "http", false},
                                           UrlCase{"/usr/share/doc/PGWHelp.html", "file", true},
                                           UrlCase{"帮助/PGWHelp.html", "file", true},
                                           UrlCase{"C:\\help\\PGWHelp.html", "file", true},
                                           UrlCase{"", "", false},
                                           UrlCase{"   ", "", false}));

TEST(QtDesktopServices, RefusesWhatCannotBeOpenedWithoutAskingTheDesktop) {
    QtDesktopServices desktop;
    EXPECT_FALSE(desktop.openUrl(""));
    EXPECT_FALSE(desktop.openFile(""));
    EXPECT_FALSE(desktop.openFile(QDir::temp().filePath("pgw-no-such-help.html").toStdString()));
    EXPECT_FALSE(desktop.openUrl(QDir::temp().filePath("pgw-no-such-help.html").toStdString()));
    EXPECT_FALSE(desktop.openFile(QDir::tempPath().toStdString()));  // a folder is not a help file
}

}  // namespace
}  // namespace pgw::ui
