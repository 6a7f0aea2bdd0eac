#include "tree/widgets/CImportDialog.h"

#include "platform/ui/UserInterface.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace pgw::tree::widgets {

namespace {

const std::vector<ui::FileFilter> kImportFilters{
    {"可导入的文件(*.txt;*.rtf;*.htm;*.html;*.png;*.jpg;*.jpeg;*.bmp;*.gif)",
     "*.txt;*.rtf;*.htm;*.html;*.png;*.jpg;*.jpeg;*.bmp;*.gif"},
    {"所有文件(*.*)", "*"},
};

QString kindText(import::EntryKind kind) {
    switch (kind) {
    case import::EntryKind::Directory: return QStringLiteral("目录");
    case import::EntryKind::TextPage: return QStringLiteral("文本页");
    case import::EntryKind::PicturePage: return QStringLiteral("图片页");
    }
    return {};
}

void addEntries(QTreeWidgetItem* parent, QTreeWidget* tree, const std::vector<import::ImportEntry>& entries) {
    for (const import::ImportEntry& entry : entries) {
        const QStringList columns{QString::fromStdString(entry.name), kindText(entry.kind)};
        auto* item = parent ? new QTreeWidgetItem(parent, columns) : new QTreeWidgetItem(tree, columns);
        addEntries(item, tree, entry.children);
    }
}

import::HeadingRule ruleAt(int index) {
    switch (index) {
    case 1: return import::HeadingRule::Chinese;
    case 2: return import::HeadingRule::English;
    case 3: return import::HeadingRule::Custom;
    default: return import::HeadingRule::None;
    }
}

}  // namespace

CImportDialog::CImportDialog(ui::UserInterface& ui, QWidget* parent)
    : QDialog(parent), ui_(ui), sources_(new QListWidget(this)), split_(new QComboBox(this)),
      expression_(new QLineEdit(this)), preview_(new QTreeWidget(this)), summary_(new QLabel(this)),
      importButton_(new QPushButton(QStringLiteral("导入(&I)"), this)) {
    setWindowTitle(QStringLiteral("导入章节"));
    auto* addFilesButton = new QPushButton(QStringLiteral("添加文件(&F)..."), this);
    auto* addFolderButton = new QPushButton(QStringLiteral("添加文件夹(&D)..."), this);
    auto* removeButton = new QPushButton(QStringLiteral("移除(&R)"), this);
    auto* sourceButtons = new QVBoxLayout;
    for (QPushButton* button : {addFilesButton, addFolderButton, removeButton}) sourceButtons->addWidget(button);
    sourceButtons->addStretch();
    auto* sourceRow = new QHBoxLayout;
    sourceRow->addWidget(sources_, 1);
    sourceRow->addLayout(sourceButtons);
    split_->addItems({QStringLiteral("不分章，每个文件一页"), QStringLiteral("按“第…章/回/节”分章，“第…卷”为目录"),
                      QStringLiteral("按“Chapter N”分章"), QStringLiteral("按正则表达式分章（匹配行首）")});
    expression_->setPlaceholderText(QStringLiteral("例如：^卷[0-9]+"));
    expression_->setEnabled(false);
    auto* splitRow = new QHBoxLayout;
    splitRow->addWidget(new QLabel(QStringLiteral("长文本分章:"), this));
    splitRow->addWidget(split_, 1);
    splitRow->addWidget(expression_, 1);
    preview_->setHeaderLabels({QStringLiteral("将导入的章节"), QStringLiteral("类型")});
    preview_->setUniformRowHeights(true);
    summary_->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(importButton_, QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("要导入的文件和文件夹:"), this));
    layout->addLayout(sourceRow);
    layout->addLayout(splitRow);
    layout->addWidget(preview_, 2);
    layout->addWidget(summary_);
    layout->addWidget(buttons);
    resize(600, 560);
    connect(addFilesButton, &QPushButton::clicked, this, &CImportDialog::addFiles);
    connect(addFolderButton, &QPushButton::clicked, this, &CImportDialog::addFolder);
    connect(removeButton, &QPushButton::clicked, this, &CImportDialog::removeSelected);
    connect(split_, &QComboBox::currentIndexChanged, this, [this](int index) {
        expression_->setEnabled(index == 3);
        replan();
    });
    connect(expression_, &QLineEdit::editingFinished, this, &CImportDialog::replan);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    showPlan();
}

QString CImportDialog::summary() const { return summary_->text(); }

void CImportDialog::addSources(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) sources_->addItem(QString::fromStdString(path));
    replan();
}

void CImportDialog::chooseSplit(int index, const QString& expression) {
    expression_->setText(expression);
    if (split_->currentIndex() == index) replan();
    split_->setCurrentIndex(index);
}

void CImportDialog::addFiles() { addSources(ui_.askOpenPaths(kImportFilters)); }

void CImportDialog::addFolder() {
    if (const std::optional<std::string> folder = ui_.askFolder()) addSources({*folder});
}

void CImportDialog::removeSelected() {
    qDeleteAll(sources_->selectedItems());
    replan();
}

void CImportDialog::replan() {
    const import::HeadingMatcher headings(ruleAt(split_->currentIndex()), expression_->text().toStdString());
    std::vector<std::string> paths;
    for (int i = 0; i < sources_->count(); ++i) paths.push_back(sources_->item(i)->text().toStdString());
    plan_ = headings.isValid() ? import::planImport(paths, headings) : import::ImportPlan{};
    showPlan();
    if (!headings.isValid()) summary_->setText(QStringLiteral("正则表达式有误：%1").arg(QString::fromStdString(headings.error())));
}

void CImportDialog::showPlan() {
    preview_->clear();
    for (const import::ImportProblem& problem : plan_.problems) {
        auto* item = new QTreeWidgetItem(preview_, {QString::fromStdString(import::describe(problem, true)),
                                                    QStringLiteral("不能导入")});
        item->setForeground(0, QColor(0xC0, 0, 0));
    }
    addEntries(nullptr, preview_, plan_.entries);
    preview_->expandToDepth(0);
    const size_t count = plan_.chapterCount();
    QString text = !plan_.ok() ? QStringLiteral("有 %1 个文件不能导入，请移除后再试。").arg(plan_.problems.size())
                   : count == 0 ? QStringLiteral("请添加要导入的文件或文件夹。")
                                : QStringLiteral("将在所选目录下导入 %1 个章节。").arg(count);
    if (!plan_.skipped.empty()) text += QStringLiteral("文件夹中有 %1 个文件不是文本或图片，将被略过。").arg(plan_.skipped.size());
    summary_->setText(text);
    importButton_->setEnabled(plan_.ok() && count > 0);
}

}  // namespace pgw::tree::widgets
