#pragma once
// A compiled book's information as the author gave it to the publish form, every field in
// full and read-only (the longer ones can be selected and copied).

#include <QDialog>

namespace pgw::stub {
struct BookFields;
}

namespace pgw::preview {

class CBookInfoDialog : public QDialog {
public:
    CBookInfoDialog(const stub::BookFields& fields, QWidget* parent = nullptr);

    // The shown text of the field with this label ("作者"); empty for an unknown label.
    QString fieldText(const QString& label) const;
};

}  // namespace pgw::preview
