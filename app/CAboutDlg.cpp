#include "app/CAboutDlg.h"

#include "widgets/CStaticLink.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace pgw::app {

namespace {

constexpr int kIconSize = 32;

QLabel* label(const QString& text, QWidget* parent) { return new QLabel(text, parent); }

}  // namespace

QString CAboutDlg::noticeText() {
    return QStringLiteral(
        "页工坊是制作电子书的工具：在章节树中建立目录、文本页和图片页，编辑好内容后，"
        "用“制作”命令把整本书做成一个可以单独运行的电子书阅读程序。\n"
        "书的内容保存在 .pgw 文件中，编辑时程序在同一文件夹里保留一份工作副本，"
        "程序意外退出后再打开这本书，可以找回没有保存的内容。\n"
        "本程序按“原样”提供，不附带任何明示或暗示的担保。");
}

CAboutDlg::CAboutDlg(ui::DesktopServices& desktop, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("关于 Pagewright"));
    setModal(true);
    setFont(QFont(QStringLiteral("新宋体"), 10));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("applicationIcon"));
    icon->setPixmap(QIcon(QStringLiteral(":/icons/128.ico")).pixmap(kIconSize, kIconSize));

    auto* names = new QVBoxLayout;
    names->addWidget(label(QStringLiteral("Pagewright " PGW_VERSION " 版"), this));
    names->addWidget(label(QStringLiteral("页工坊 电子书制作工具"), this));

    okButton_ = new QPushButton(QStringLiteral("确定"), this);
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(names, 1);
    top->addWidget(okButton_, 0, Qt::AlignTop);

    productLink_ = makeLink(kProductLinkId, kProductSite, desktop);
    publishingLink_ = makeLink(kPublishingLinkId, kPublishingSite, desktop);
    auto* links = new QGridLayout;
    links->addWidget(label(QStringLiteral("欢迎你访问页工坊!"), this), 0, 0);
    links->addWidget(productLink_, 0, 1);
    links->addWidget(label(QStringLiteral("E书发布空间"), this), 1, 0);
    links->addWidget(publishingLink_, 1, 1);
    links->setColumnStretch(1, 1);

    notice_ = new QLabel(noticeText(), this);
    notice_->setObjectName(QStringLiteral("notice"));
    notice_->setProperty("controlId", kNoticeId);
    notice_->setWordWrap(true);
    notice_->setFrameShape(QFrame::StyledPanel);
    notice_->setMinimumWidth(360);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(links);
    layout->addWidget(notice_, 1);
    layout->setSizeConstraint(QLayout::SetFixedSize);  // the whole notice always shows
}

CStaticLink* CAboutDlg::makeLink(int id, const char* address, ui::DesktopServices& desktop) {
    auto* link = new CStaticLink(QString::fromLatin1(address), false, this);
    link->setText(QString::fromLatin1(address));  // the link shows its own address
    link->setControlId(id);
    link->setProperty("controlId", id);
    link->setDesktop(&desktop);
    return link;
}

}  // namespace pgw::app
