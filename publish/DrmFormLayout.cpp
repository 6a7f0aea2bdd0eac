#include "publish/DrmFormLayout.h"

#include "platform/fonts/FontFallback.h"
#include "publish/FormExchange.h"
#include "widgets/CTextProgressCtrl.h"

#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace pgw::publish {

namespace {

enum class Kind { Label, RightLabel, Edit, ReadOnlyEdit, Button, EtchedLine, IconPreview, Progress };

struct TemplateControl {
    int id;  // 0: a control the form never addresses
    Kind kind;
    const char* text;
    QRect rect;  // dialog units
};

const TemplateControl kTemplate[] = {
    {1105, Kind::RightLabel, "源文件", {176, 19, 22, 8}},
    {control::kBookPath, Kind::ReadOnlyEdit, "", {12, 18, 161, 13}},
    {control::kOutputPath, Kind::Edit, "", {245, 17, 147, 12}},
    {control::kChooseOutput, Kind::Button, "输出文件", {392, 17, 36, 13}},
    {0, Kind::EtchedLine, "", {201, 41, 1, 214}},
    {0, Kind::RightLabel, "作者名", {209, 51, 37, 8}},
    {control::kAuthor, Kind::Edit, "", {247, 49, 182, 12}},
    {0, Kind::RightLabel, "主　页", {209, 68, 37, 8}},
    {control::kHomepage, Kind::Edit, "", {247, 66, 182, 12}},
    {0, Kind::RightLabel, "电子信箱", {209, 85, 37, 8}},
    {control::kEmail, Kind::Edit, "", {247, 83, 182, 12}},
    {0, Kind::RightLabel, "版权信息", {209, 103, 37, 8}},
    {control::kCopyright, Kind::Edit, "", {247, 100, 182, 12}},
    {0, Kind::RightLabel, "制作时间", {209, 120, 37, 8}},
    {control::kDate, Kind::Edit, "", {247, 117, 182, 12}},
    {1096, Kind::RightLabel, "电子书编码", {209, 137, 37, 8}},
    {control::kBookCode, Kind::ReadOnlyEdit, "", {247, 134, 182, 12}},
    {1103, Kind::RightLabel, "电子书ID", {209, 154, 37, 8}},
    {control::kBookId, Kind::Edit, "", {247, 151, 182, 12}},
    {0, Kind::RightLabel, "其它信息", {209, 184, 37, 8}},
    {control::kOther, Kind::Edit, "", {247, 168, 182, 44}},
    {control::kIconPreview, Kind::IconPreview, "", {215, 215, 20, 20}},
    {control::kIconPath, Kind::Edit, "", {250, 217, 147, 13}},
    {control::kChooseIcon, Kind::Button, "选择图标", {397, 217, 32, 13}},
    {0, Kind::Label, "合成进度", {13, 268, 31, 8}},
    {control::kProgress, Kind::Progress, "", {43, 267, 378, 10}},
    {control::kCompile, Kind::Button, "合    成", {163, 295, 43, 13}},
    {control::kExit, Kind::Button, "退    出", {258, 295, 43, 13}},
};

QWidget* createControl(const TemplateControl& entry, QWidget* page) {
    const QString text = QString::fromUtf8(entry.text);
    switch (entry.kind) {
    case Kind::Label:
    case Kind::RightLabel: {
        auto* label = new QLabel(text, page);
        label->setAlignment((entry.kind == Kind::RightLabel ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
        return label;
    }
    case Kind::Edit:
    case Kind::ReadOnlyEdit: {
        auto* edit = new QLineEdit(page);
        edit->setReadOnly(entry.kind == Kind::ReadOnlyEdit);
        // The limits are checked when the data is taken, with a message; the edit takes
        // what the author types.
        edit->setMaxLength(32767);
        return edit;
    }
    case Kind::Button: return new QPushButton(text, page);
    case Kind::EtchedLine: {
        auto* line = new QFrame(page);
        line->setFrameShape(QFrame::VLine);
        line->setFrameShadow(QFrame::Sunken);
        return line;
    }
    case Kind::IconPreview: return new QLabel(page);
    case Kind::Progress: {
        // A bordered control: a plain one-pixel box around the bar.
        auto* border = new QFrame(page);
        border->setFrameStyle(QFrame::Box | QFrame::Plain);
        border->setLineWidth(1);
        new CTextProgressCtrl(border);
        return border;
    }
    }
    return nullptr;
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    // The average width of the Latin letters, rounded as the dialog manager rounds it.
    const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseWidth_ = std::max(1, (letters / 26 + 1) / 2);
    baseHeight_ = std::max(1, metrics.height());
}

QRect DialogUnits::toPixels(const QRect& units) const {
    const auto across = [this](int value) { return (value * baseWidth_ + 2) / 4; };
    const auto down = [this](int value) { return (value * baseHeight_ + 4) / 8; };
    return QRect(across(units.x()), down(units.y()), std::max(1, across(units.width())),
                 std::max(1, down(units.height())));
}

QFont formFont() {
    fonts::installCjkFontFallbacks();
    QFont font(QStringLiteral("宋体"));
    font.setPointSize(10);
    return font;
}

std::map<int, QWidget*> createFormControls(QWidget* page) {
    page->setFont(formFont());
    const DialogUnits units(page->font());
    page->setFixedSize(units.toPixels(QRect(QPoint(0, 0), kFormSizeInDialogUnits)).size());
    std::map<int, QWidget*> controls;
    for (const TemplateControl& entry : kTemplate) {
        QWidget* widget = createControl(entry, page);
        widget->setGeometry(units.toPixels(entry.rect));
        if (entry.id == 0) continue;
        if (entry.kind == Kind::Progress) {
            QWidget* border = widget;
            widget = border->findChild<CTextProgressCtrl*>();
            widget->setGeometry(border->contentsRect());  // the form never changes size
        }
        widget->setObjectName(QStringLiteral("control%1").arg(entry.id));
        controls[entry.id] = widget;
    }
    return controls;
}

}  // namespace pgw::publish
