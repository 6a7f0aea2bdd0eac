#include "editors/CBookFindDialog.h"

#include "platform/ui/UserInterface.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace pgw::editors {

namespace {

constexpr int kItemRole = Qt::UserRole;
constexpr int kIndexRole = Qt::UserRole + 1;

QTreeWidgetItem* matchItem(QTreeWidgetItem* chapter, const QString& text, book::NodeId item, int index) {
    auto* row = new QTreeWidgetItem(chapter, {text});
    row->setData(0, kItemRole, item);
    row->setData(0, kIndexRole, index);
    row->setToolTip(0, text);
    return row;
}

// The words around a match, the match marked, as one line of the list.
QString matchLine(const ParagraphMatch& match) {
    const QString& context = match.context;
    return context.left(match.contextStart) + QStringLiteral("【") + context.mid(match.contextStart, match.length) +
           QStringLiteral("】") + context.mid(match.contextStart + match.length);
}

}  // namespace

bool selectMatch(QTextEdit& edit, const TextMatcher& matcher, int index) {
    int seen = 0;
    for (QTextBlock block = edit.document()->begin(); block.isValid(); block = block.next()) {
        int start = -1, length = 0;
        matcher.forEachMatch(block.text(), [&](int at, int count) {
            if (seen++ == index) start = at, length = count;
        });
        if (start < 0) continue;
        QTextCursor cursor(block);
        cursor.setPosition(block.position() + start);
        cursor.setPosition(block.position() + start + length, QTextCursor::KeepAnchor);
        edit.setTextCursor(cursor);
        edit.ensureCursorVisible();
        return true;
    }
    return false;
}

CBookFindDialog::CBookFindDialog(BookFind& find, ui::UserInterface& ui, tree::ChapterHistory* history, QWidget* parent)
    : QDialog(parent), find_(find), ui_(ui), history_(history), findField_(new QLineEdit(this)),
      replaceField_(new QLineEdit(this)), matchCase_(new QCheckBox(QStringLiteral("区分大小写(&C)"), this)),
      wholeWord_(new QCheckBox(QStringLiteral("全字匹配(&W)"), this)),
      expression_(new QCheckBox(QStringLiteral("使用正则表达式(&X)"), this)),
      findAllButton_(new QPushButton(QStringLiteral("查找全部(&F)"), this)),
      replaceAllButton_(new QPushButton(QStringLiteral("全部替换(&A)"), this)), results_(new QTreeWidget(this)),
      summary_(new QLabel(this)) {
    setWindowTitle(QStringLiteral("在全书中查找"));
    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("查找内容:"), this), 0, 0);
    fields->addWidget(findField_, 0, 1);
    fields->addWidget(findAllButton_, 0, 2);
    fields->addWidget(new QLabel(QStringLiteral("替换为:"), this), 1, 0);
    fields->addWidget(replaceField_, 1, 1);
    fields->addWidget(replaceAllButton_, 1, 2);
    auto* options = new QHBoxLayout;
    for (QCheckBox* box : {matchCase_, wholeWord_, expression_}) options->addWidget(box);
    options->addStretch();
    results_->setHeaderHidden(true);
    results_->setUniformRowHeights(true);
    summary_->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("关闭"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(options);
    layout->addWidget(results_, 1);
    layout->addWidget(summary_);
    layout->addWidget(buttons);
    resize(560, 460);
    findAllButton_->setDefault(true);
    connect(findAllButton_, &QPushButton::clicked, this, &CBookFindDialog::findAll);
    connect(findField_, &QLineEdit::returnPressed, this, &CBookFindDialog::findAll);
    connect(replaceAllButton_, &QPushButton::clicked, this, &CBookFindDialog::replaceAll);
    connect(results_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) { chooseItem(item); });
    connect(results_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { chooseItem(item); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
}

QString CBookFindDialog::summary() const { return summary_->text(); }

void CBookFindDialog::showForFinding(const QString& initial) {
    if (!initial.isEmpty()) findField_->setText(initial);
    show();
    raise();
    activateWindow();
    findField_->setFocus();
    findField_->selectAll();
}

SearchQuery CBookFindDialog::query() const {
    return {findField_->text(), expression_->isChecked(), matchCase_->isChecked(), wholeWord_->isChecked()};
}

std::optional<TextMatcher> CBookFindDialog::matcher() {
    TextMatcher made(query());
    if (made.isValid()) return made;
    summary_->setText(made.errorText());
    return std::nullopt;
}

void CBookFindDialog::findAll() {
    const std::optional<TextMatcher> ready = matcher();
    if (!ready) return;
    const std::optional<BookMatches> found = find_.findAll(*ready);
    if (!found) return;
    listed_ = query();
    showMatches(*found);
}

void CBookFindDialog::showMatches(const BookMatches& found) {
    results_->clear();
    for (const ChapterMatches& chapter : found.chapters) {
        const int count = chapter.nameMatches + int(chapter.textMatches.size());
        auto* top = new QTreeWidgetItem(results_, {QStringLiteral("%1（%2 处）").arg(chapter.name).arg(count)});
        top->setData(0, kItemRole, chapter.item);
        top->setData(0, kIndexRole, chapter.textMatches.empty() ? -1 : 0);
        if (chapter.nameMatches > 0) matchItem(top, QStringLiteral("章节名称：%1").arg(chapter.name), chapter.item, -1);
        for (size_t i = 0; i < chapter.textMatches.size(); ++i)
            matchItem(top, matchLine(chapter.textMatches[i]), chapter.item, int(i));
    }
    results_->expandAll();
    QString text = found.chapters.empty()
                       ? QStringLiteral("全书中没有找到“%1”。").arg(findField_->text())
                       : QStringLiteral("共找到 %1 处，分布在 %2 个章节中。").arg(found.count()).arg(found.chapters.size());
    if (!found.unreadable.isEmpty())
        text += QStringLiteral("有 %1 个页面无法完整读出，只查找了能读出的部分。").arg(found.unreadable.size());
    summary_->setText(text);
}

void CBookFindDialog::replaceAll() {
    const std::optional<TextMatcher> ready = matcher();
    if (!ready) return;
    const std::optional<BookReplacement> done = find_.replaceAll(*ready, replaceField_->text(), history_);
    if (!done) return;
    results_->clear();
    summary_->setText(done->texts + done->names == 0
                          ? QStringLiteral("全书中没有可替换的“%1”。").arg(findField_->text())
                          : QStringLiteral("已替换 %1 处：%2 个页面，%3 个章节名称。可以用“撤消”恢复。")
                                .arg(done->texts + done->names)
                                .arg(done->pages)
                                .arg(done->names));
    if (!done->skipped.isEmpty())
        ui_.showMessage(ui::Message{"以下内容没有替换：\n" + done->skipped.join(u'\n').toStdString(), {}, ui::Buttons::Ok,
                                    ui::Icon::Information});
    if (done->pages + done->names > 0) emit bookChanged();
}

void CBookFindDialog::chooseItem(QTreeWidgetItem* item) {
    if (!item) return;
    emit matchChosen(book::NodeId(item->data(0, kItemRole).toUInt()), item->data(0, kIndexRole).toInt());
}

}  // namespace pgw::editors
