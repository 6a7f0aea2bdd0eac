#include "publish/DrmFormLayout.h"

#include "platform/fonts/FontFallback.h"
#include "publish/FormExchange.h"
#include "widgets/CTextProgressCtrl.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace pgw::publish {

namespace {

constexpr int kPreviewPixels = 32;

// One labelled row of book information.
struct InfoRow {
    const char* label;
    int editId;
    bool readOnly;
};

const InfoRow kInfoRows[] = {
    {"作者名", control::kAuthor, false},        {"主　页", control::kHomepage, false},
    {"电子信箱", control::kEmail, false},       {"版权信息", control::kCopyright, false},
    {"制作时间", control::kDate, false},        {"电子书编码", control::kBookCode, true},
    {"电子书ID", control::kBookId, false},      {"其它信息", control::kOther, false},
};

class FormBuilder {
public:
    explicit FormBuilder(QWidget* page) : page_(page), grid_(new QGridLayout) {
        grid_->setColumnStretch(1, 1);
    }

    std::map<int, QWidget*> build();

private:
    QLineEdit* addEdit(int id, bool readOnly);
    QPushButton* addButton(int id, const char* text);
    QLabel* addLabel(const char* text);
    void addSeparator();
    void addPathRows();
    void addInfoRows();
    void addIconRow();
    void addProgressRow();
    QHBoxLayout* commandButtons();
    QWidget* keep(int id, QWidget* widget);

    QWidget* page_;
    QGridLayout* grid_;
    int row_ = 0;
    std::map<int, QWidget*> controls_;
};

QWidget* FormBuilder::keep(int id, QWidget* widget) {
    widget->setObjectName(QStringLiteral("control%1").arg(id));
    controls_[id] = widget;
    return widget;
}

QLineEdit* FormBuilder::addEdit(int id, bool readOnly) {
    auto* edit = new QLineEdit(page_);
    edit->setReadOnly(readOnly);
    // The limits are checked when the data is taken, with a message naming the field; the
    // edit takes what the author types.
    edit->setMaxLength(32767);
    keep(id, edit);
    return edit;
}

QPushButton* FormBuilder::addButton(int id, const char* text) {
    auto* button = new QPushButton(QString::fromUtf8(text), page_);
    keep(id, button);
    return button;
}

QLabel* FormBuilder::addLabel(const char* text) {
    auto* label = new QLabel(QString::fromUtf8(text), page_);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

void FormBuilder::addSeparator() {
    auto* line = new QFrame(page_);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    grid_->addWidget(line, row_++, 0, 1, 3);
}

void FormBuilder::addPathRows() {
    grid_->addWidget(addLabel("源文件"), row_, 0);
    grid_->addWidget(addEdit(control::kBookPath, true), row_++, 1);
    grid_->addWidget(addEdit(control::kOutputPath, false), row_, 1);
    grid_->addWidget(addButton(control::kChooseOutput, "输出文件"), row_++, 2);
}

void FormBuilder::addInfoRows() {
    for (const InfoRow& info : kInfoRows) {
        QLabel* label = addLabel(info.label);
        QLineEdit* edit = addEdit(info.editId, info.readOnly);
        label->setBuddy(edit);
        grid_->addWidget(label, row_, 0);
        grid_->addWidget(edit, row_++, 1, 1, 2);
    }
}

void FormBuilder::addIconRow() {
    // Framed, so an empty preview (the stub's own icon) still shows where the icon goes.
    auto* preview = new QLabel(page_);
    preview->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    preview->setFixedSize(kPreviewPixels + 2 * preview->frameWidth(), kPreviewPixels + 2 * preview->frameWidth());
    preview->setAlignment(Qt::AlignCenter);
    keep(control::kIconPreview, preview);
    grid_->addWidget(addLabel("图　标"), row_, 0);
    auto* choice = new QHBoxLayout;
    choice->addWidget(preview);
    choice->addWidget(addEdit(control::kIconPath, false), 1);
    choice->addWidget(addButton(control::kChooseIcon, "选择图标"));
    choice->addWidget(addButton(control::kClearIcon, "恢复默认图标"));
    grid_->addLayout(choice, row_++, 1, 1, 2);
}

void FormBuilder::addProgressRow() {
    // A bordered control: a plain one-pixel box around the bar.
    auto* border = new QFrame(page_);
    border->setFrameStyle(QFrame::Box | QFrame::Plain);
    border->setLineWidth(1);
    auto* inside = new QVBoxLayout(border);
    inside->setContentsMargins(0, 0, 0, 0);
    auto* bar = new CTextProgressCtrl(border);
    bar->setFixedHeight(border->fontMetrics().height() + 4);
    inside->addWidget(bar);
    keep(control::kProgress, bar);
    QLabel* label = addLabel("合成进度");
    grid_->addWidget(label, row_, 0);
    grid_->addWidget(border, row_++, 1, 1, 2);
}

QHBoxLayout* FormBuilder::commandButtons() {
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(addButton(control::kCompile, "合    成"));
    buttons->addSpacing(page_->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 6);
    buttons->addWidget(addButton(control::kExit, "退    出"));
    buttons->addStretch(1);
    return buttons;
}

std::map<int, QWidget*> FormBuilder::build() {
    addPathRows();
    addSeparator();
    addInfoRows();
    addSeparator();
    addIconRow();
    addSeparator();
    addProgressRow();
    auto* layout = new QVBoxLayout(page_);
    layout->addLayout(grid_);
    layout->addSpacing(page_->fontMetrics().height());
    layout->addLayout(commandButtons());
    layout->addStretch(1);
    return controls_;
}

}  // namespace

QFont formFont() {
    fonts::installCjkFontFallbacks();
    QFont font(QStringLiteral("宋体"));
    font.setPointSize(10);
    return font;
}

std::map<int, QWidget*> createFormControls(QWidget* page) {
    page->setFont(formFont());
    page->setMaximumWidth(kMaxFormWidth);
    return FormBuilder(page).build();
}

}  // namespace pgw::publish
