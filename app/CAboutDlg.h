#pragma once
// The About box: the program's name and version, a notice, and two links (the product's
// web site and the publishing site) that open in the desktop's browser.

#include <QDialog>

class QLabel;
class QPushButton;

namespace pgw {
class CStaticLink;
}
namespace pgw::ui {
class DesktopServices;
}

namespace pgw::app {

class CAboutDlg : public QDialog {
public:
    static constexpr int kDialogId = 100;
    static constexpr int kProductLinkId = 1056;
    static constexpr int kPublishingLinkId = 1057;
    static constexpr int kNoticeId = 1058;
    static constexpr char kProductSite[] = "https://pagewright.example.org/";
    static constexpr char kPublishingSite[] = "https://pagewright.example.org/publish/";

    explicit CAboutDlg(ui::DesktopServices& desktop, QWidget* parent = nullptr);

    static QString noticeText();

    CStaticLink* productLink() const { return productLink_; }
    CStaticLink* publishingLink() const { return publishingLink_; }
    QLabel* notice() const { return notice_; }
    QPushButton* okButton() const { return okButton_; }

private:
    CStaticLink* makeLink(int id, const char* address, ui::DesktopServices& desktop);

    CStaticLink* productLink_ = nullptr;
    CStaticLink* publishingLink_ = nullptr;
    QLabel* notice_ = nullptr;
    QPushButton* okButton_ = nullptr;
};

}  // namespace pgw::app
