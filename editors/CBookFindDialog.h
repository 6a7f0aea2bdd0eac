#pragma once
// The modeless dialog that finds and replaces through the whole book: the query with its
// options, the matches listed by chapter with the words around them, and Replace All.
// Choosing a match asks the window to show it.

#include "book/ChapterModel.h"
#include "editors/BookFind.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace pgw::ui {
class UserInterface;
}

namespace pgw::editors {

// Selects the `index`th match (from 0) of the page in `edit`, paragraph by paragraph as
// the book's search counts them; false when the page has fewer.
bool selectMatch(QTextEdit& edit, const TextMatcher& matcher, int index);

class CBookFindDialog : public QDialog {
    Q_OBJECT
public:
    // `history` receives Replace All's step; it may be null.
    CBookFindDialog(BookFind& find, ui::UserInterface& ui, tree::ChapterHistory* history, QWidget* parent);

    QLineEdit* findField() const { return findField_; }
    QLineEdit* replaceField() const { return replaceField_; }
    QCheckBox* matchCaseBox() const { return matchCase_; }
    QCheckBox* wholeWordBox() const { return wholeWord_; }
    QCheckBox* expressionBox() const { return expression_; }
    QPushButton* findAllButton() const { return findAllButton_; }
    QPushButton* replaceAllButton() const { return replaceAllButton_; }
    QTreeWidget* results() const { return results_; }
    QString summary() const;

    // Shows the dialog with the field ready for typing.
    void showForFinding(const QString& initial = {});
    SearchQuery query() const;
    // The query whose matches the list shows: what a chosen match's index counts.
    const SearchQuery& listedQuery() const { return listed_; }

signals:
    // The author chose a match: `index` counts the page's matches from 0; -1 is the name.
    void matchChosen(book::NodeId item, int index);
    // Replace All changed the book.
    void bookChanged();

private:
    void findAll();
    void replaceAll();
    void showMatches(const BookMatches& found);
    void chooseItem(QTreeWidgetItem* item);
    // A matcher for the fields, or nothing after saying why there is none.
    std::optional<TextMatcher> matcher();

    BookFind& find_;
    ui::UserInterface& ui_;
    tree::ChapterHistory* history_;
    QLineEdit* findField_;
    QLineEdit* replaceField_;
    QCheckBox* matchCase_;
    QCheckBox* wholeWord_;
    QCheckBox* expression_;
    QPushButton* findAllButton_;
    QPushButton* replaceAllButton_;
    QTreeWidget* results_;
    QLabel* summary_;
    SearchQuery listed_;
};

}  // namespace pgw::editors
