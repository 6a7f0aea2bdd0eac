#pragma once
// The tree's item delegate: rows 18 pixels high, and in-place label editing whose result
// goes to a callback instead of the model, so that the name rules decide what the label
// becomes.

#include <QStyledItemDelegate>

#include <functional>

namespace pgw::tree::widgets {

class LabelEditDelegate : public QStyledItemDelegate {
public:
    using Commit = std::function<void(const QModelIndex& index, const QString& text)>;

    LabelEditDelegate(Commit commit, QObject* parent);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

    static constexpr int kRowHeight = 18;

private:
    Commit commit_;
};

}  // namespace pgw::tree::widgets
