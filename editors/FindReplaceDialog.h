#pragma once
// Find and replace in the text page: the searching steps on an editor, and the modeless
// dialog that offers them.

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;

namespace pgw::editors {

struct FindOptions {
    QString text;
    bool matchCase = false;
    bool wholeWord = false;
};

// Selects the next match after the selection, going round to the start of the page when
// needed; false (and the selection kept) when the page holds no match at all.
bool findNext(QTextEdit& edit, const FindOptions& options);
// Replaces the selection when it is a match. True when replaced.
bool replaceSelection(QTextEdit& edit, const FindOptions& options, const QString& replacement);
// Every match in the page, as one step that one undo takes back. Returns the count.
int replaceAll(QTextEdit& edit, const FindOptions& options, const QString& replacement);

class FindReplaceDialog : public QDialog {
    Q_OBJECT
public:
    FindReplaceDialog(QTextEdit& edit, QWidget* parent);

    // Shows the dialog for finding only, or for finding and replacing.
    void showFind();
    void showReplace();

    QLineEdit* findField() const { return findField_; }
    QLineEdit* replaceField() const { return replaceField_; }
    QCheckBox* matchCaseBox() const { return matchCase_; }
    QCheckBox* wholeWordBox() const { return wholeWord_; }
    QPushButton* findNextButton() const { return findNextButton_; }
    QPushButton* replaceButton() const { return replaceButton_; }
    QPushButton* replaceAllButton() const { return replaceAllButton_; }

    static QString notFoundText(const QString& text);

signals:
    // The page holds no match; the message text to show.
    void notFound(const QString& text);
    // A replacement changed the page.
    void edited();

private:
    void showMode(bool replacing);
    FindOptions options() const;
    void onFindNext();
    void onReplace();
    void onReplaceAll();
    void reportNotFound();

    QTextEdit& edit_;
    QLineEdit* findField_;
    QLineEdit* replaceField_;
    QLabel* replaceLabel_;
    QCheckBox* matchCase_;
    QCheckBox* wholeWord_;
    QPushButton* findNextButton_;
    QPushButton* replaceButton_;
    QPushButton* replaceAllButton_;
};

}  // namespace pgw::editors
