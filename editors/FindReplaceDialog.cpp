#include "editors/FindReplaceDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

namespace pgw::editors {
namespace {

QTextDocument::FindFlags flagsOf(const FindOptions& options) {
    QTextDocument::FindFlags flags;
    if (options.matchCase) flags |= QTextDocument::FindCaseSensitively;
    if (options.wholeWord) flags |= QTextDocument::FindWholeWords;
    return flags;
}

// The match at or after `from`, else the first one of the page.
QTextCursor nextMatch(const QTextDocument& document, const FindOptions& options, const QTextCursor& from) {
    const QTextCursor found = document.find(options.text, from, flagsOf(options));
    if (!found.isNull()) return found;
    return document.find(options.text, QTextCursor(const_cast<QTextDocument*>(&document)), flagsOf(options));
}

bool selectionMatches(const QTextEdit& edit, const FindOptions& options) {
    const QTextCursor cursor = edit.textCursor();
    if (!cursor.hasSelection()) return false;
    // The match found from the selection's start must be the selection itself.
    QTextCursor start = cursor;
    start.setPosition(cursor.selectionStart());
    const QTextCursor found = edit.document()->find(options.text, start, flagsOf(options));
    return !found.isNull() && found.selectionStart() == cursor.selectionStart() &&
           found.selectionEnd() == cursor.selectionEnd();
}

}  // namespace

bool findNext(QTextEdit& edit, const FindOptions& options) {
    if (options.text.isEmpty()) return false;
    const QTextCursor found = nextMatch(*edit.document(), options, edit.textCursor());
    if (found.isNull()) return false;
    edit.setTextCursor(found);
    return true;
}

bool replaceSelection(QTextEdit& edit, const FindOptions& options, const QString& replacement) {
    const bool replacing = !options.text.isEmpty() && selectionMatches(edit, options);
    if (replacing) edit.textCursor().insertText(replacement);
    return replacing;
}

int replaceAll(QTextEdit& edit, const FindOptions& options, const QString& replacement) {
    if (options.text.isEmpty()) return 0;
    QTextDocument& document = *edit.document();
    QTextCursor block(&document);
    int count = 0;
    block.beginEditBlock();
    // Searching on from after each replacement never finds text the replacement brought.
    for (QTextCursor found = document.find(options.text, QTextCursor(&document), flagsOf(options)); !found.isNull();
         found = document.find(options.text, found, flagsOf(options))) {
        found.insertText(replacement);
        ++count;
    }
    block.endEditBlock();
    return count;
}

FindReplaceDialog::FindReplaceDialog(QTextEdit& edit, QWidget* parent)
    : QDialog(parent),
      edit_(edit),
      findField_(new QLineEdit(this)),
      replaceField_(new QLineEdit(this)),
      replaceLabel_(new QLabel(QStringLiteral("替换为:"), this)),
      matchCase_(new QCheckBox(QStringLiteral("区分大小写"), this)),
      wholeWord_(new QCheckBox(QStringLiteral("全字匹配"), this)),
      findNextButton_(new QPushButton(QStringLiteral("查找下一个"), this)),
      replaceButton_(new QPushButton(QStringLiteral("替换"), this)),
      replaceAllButton_(new QPushButton(QStringLiteral("全部替换"), this)) {
    setModal(false);
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("查找内容:"), this), 0, 0);
    grid->addWidget(findField_, 0, 1);
    grid->addWidget(replaceLabel_, 1, 0);
    grid->addWidget(replaceField_, 1, 1);
    grid->addWidget(matchCase_, 2, 0, 1, 2);
    grid->addWidget(wholeWord_, 3, 0, 1, 2);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {findNextButton_, replaceButton_, replaceAllButton_, cancel}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    grid->addLayout(buttons, 0, 2, 5, 1);
    findNextButton_->setDefault(true);
    connect(findNextButton_, &QPushButton::clicked, this, [this] { onFindNext(); });
    connect(replaceButton_, &QPushButton::clicked, this, [this] { onReplace(); });
    connect(replaceAllButton_, &QPushButton::clicked, this, [this] { onReplaceAll(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::hide);
    connect(findField_, &QLineEdit::textChanged, this, [this](const QString& text) {
        for (QPushButton* button : {findNextButton_, replaceButton_, replaceAllButton_}) button->setEnabled(!text.isEmpty());
    });
    findNextButton_->setEnabled(false);
    replaceButton_->setEnabled(false);
    replaceAllButton_->setEnabled(false);
}

void FindReplaceDialog::showFind() { showMode(false); }
void FindReplaceDialog::showReplace() { showMode(true); }

void FindReplaceDialog::showMode(bool replacing) {
    setWindowTitle(replacing ? QStringLiteral("替换") : QStringLiteral("查找"));
    for (QWidget* widget : {static_cast<QWidget*>(replaceLabel_), static_cast<QWidget*>(replaceField_),
                            static_cast<QWidget*>(replaceButton_), static_cast<QWidget*>(replaceAllButton_)})
        widget->setVisible(replacing);
    // What is selected is what the author most likely looks for.
    const QString selected = edit_.textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator)) findField_->setText(selected);
    show();
    raise();
    activateWindow();
    findField_->setFocus();
    findField_->selectAll();
}

QString FindReplaceDialog::notFoundText(const QString& text) { return QStringLiteral("找不到\"%1\"").arg(text); }

FindOptions FindReplaceDialog::options() const {
    return FindOptions{findField_->text(), matchCase_->isChecked(), wholeWord_->isChecked()};
}

void FindReplaceDialog::onFindNext() {
    if (!findNext(edit_, options())) reportNotFound();
}

void FindReplaceDialog::onReplace() {
    const bool replaced = replaceSelection(edit_, options(), replaceField_->text());
    if (replaced) emit edited();
    if (!findNext(edit_, options())) reportNotFound();
}

void FindReplaceDialog::onReplaceAll() {
    if (replaceAll(edit_, options(), replaceField_->text()) == 0) {
        reportNotFound();
    } else {
        emit edited();
    }
}

void FindReplaceDialog::reportNotFound() {
    emit notFound(notFoundText(findField_->text()));
}

}  // namespace pgw::editors
