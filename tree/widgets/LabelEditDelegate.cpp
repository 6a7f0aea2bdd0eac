#include "tree/widgets/LabelEditDelegate.h"

#include <QLineEdit>

namespace pgw::tree::widgets {

LabelEditDelegate::LabelEditDelegate(Commit commit, QObject* parent)
    : QStyledItemDelegate(parent), commit_(std::move(commit)) {}

QSize LabelEditDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    return {QStyledItemDelegate::sizeHint(option, index).width(), kRowHeight};
}

void LabelEditDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const {
    if (const auto* line = qobject_cast<QLineEdit*>(editor)) commit_(index, line->text());
}

}  // namespace pgw::tree::widgets
