#pragma once
// The import dialog: the files and folders to import, how long texts are cut into
// chapters, and a preview of every chapter the import will make (and of every file that
// stops it) before anything in the book changes.

#include "import/ImportPlan.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace pgw::ui {
class UserInterface;
}

namespace pgw::tree::widgets {

class CImportDialog : public QDialog {
    Q_OBJECT
public:
    CImportDialog(ui::UserInterface& ui, QWidget* parent);

    void addSources(const std::vector<std::string>& paths);
    // 0 none, 1 Chinese headings, 2 "Chapter N", 3 the expression.
    void chooseSplit(int index, const QString& expression = {});
    const import::ImportPlan& plan() const { return plan_; }

    QTreeWidget* preview() const { return preview_; }
    QPushButton* importButton() const { return importButton_; }
    QString summary() const;

private:
    void addFiles();
    void addFolder();
    void removeSelected();
    void replan();
    void showPlan();

    ui::UserInterface& ui_;
    QListWidget* sources_;
    QComboBox* split_;
    QLineEdit* expression_;
    QTreeWidget* preview_;
    QLabel* summary_;
    QPushButton* importButton_;
    import::ImportPlan plan_;
};

}  // namespace pgw::tree::widgets
