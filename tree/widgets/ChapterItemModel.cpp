#include "tree/widgets/ChapterItemModel.h"

#include "platform/text/CodePage.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>

namespace pgw::tree::widgets {

using book::kNoNode;
using book::NodeId;

namespace {

// A name that is not valid GBK (the book never makes one) still shows what converts.
QString shownText(const std::string& gbk) {
    std::string utf8;
    const bool whole = text::gbkToUtf8(gbk, &utf8).ok();
    return QString::fromStdString(utf8) + (whole ? QString() : QString(QChar::ReplacementCharacter));
}

}  // namespace

ChapterItemModel::ChapterItemModel(book::ChapterModel& chapters, QObject* parent)
    : QAbstractItemModel(parent), chapters_(chapters) {
    chapters_.addObserver(this);
}

ChapterItemModel::~ChapterItemModel() { chapters_.removeObserver(this); }

QModelIndex ChapterItemModel::indexOf(NodeId node) const {
    if (!chapters_.contains(node)) return {};
    return createIndex(int(chapters_.row(node)), 0, quintptr(node));
}

NodeId ChapterItemModel::nodeAt(const QModelIndex& index) const {
    return index.isValid() && index.model() == this ? NodeId(index.internalId()) : kNoNode;
}

QModelIndex ChapterItemModel::index(int row, int column, const QModelIndex& parent) const {
    if (row < 0 || column != 0) return {};
    if (parent.isValid() && parent.column() != 0) return {};
    const NodeId node = chapters_.child(nodeAt(parent), size_t(row));
    return node == kNoNode ? QModelIndex() : createIndex(row, 0, quintptr(node));
}

QModelIndex ChapterItemModel::parent(const QModelIndex& child) const {
    return indexOf(chapters_.parent(nodeAt(child)));
}

int ChapterItemModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() && parent.column() != 0) return 0;
    return int(chapters_.childCount(nodeAt(parent)));
}

int ChapterItemModel::columnCount(const QModelIndex&) const { return 1; }

bool ChapterItemModel::hasChildren(const QModelIndex& parent) const { return rowCount(parent) > 0; }

QIcon ChapterItemModel::iconFor(book::NodeImages images) const {
    const int key = images.normal * 256 + images.selected;
    auto found = icons_.find(key);
    if (found == icons_.end()) found = icons_.insert(key, chapterItemIcon(images_, images));
    return *found;
}

QVariant ChapterItemModel::data(const QModelIndex& index, int role) const {
    const NodeId node = nodeAt(index);
    if (!chapters_.contains(node)) return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return shownText(chapters_.label(node));
    case Qt::DecorationRole: return iconFor(chapters_.images(node));
    case kNodeIdRole: return uint(node);
    case kNormalImageRole: return chapters_.images(node).normal;
    case kSelectedImageRole: return chapters_.images(node).selected;
    default: return {};
    }
}

Qt::ItemFlags ChapterItemModel::flags(const QModelIndex& index) const {
    const NodeId node = nodeAt(index);
    if (!chapters_.contains(node)) return Qt::ItemIsDropEnabled;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsDropEnabled;
    if (chapters_.parent(node) != kNoNode) flags |= Qt::ItemIsDragEnabled;  // the root stays
    return flags;
}

QStringList ChapterItemModel::mimeTypes() const { return {QString::fromLatin1(kMimeType)}; }

QMimeData* ChapterItemModel::mimeData(const QModelIndexList& indexes) const {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    for (const QModelIndex& index : indexes)
        if (const NodeId node = nodeAt(index); node != kNoNode) out << quint32(node);
    auto* data = new QMimeData;
    data->setData(QString::fromLatin1(kMimeType), bytes);
    return data;
}

bool ChapterItemModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int,
                                    const QModelIndex& parent) {
    if (!data || action != Qt::MoveAction || !moveHandler_) return false;
    QDataStream in(data->data(QString::fromLatin1(kMimeType)));
    quint32 dragged = 0;
    in >> dragged;
    const NodeId target = nodeAt(parent);
    if (in.status() != QDataStream::Ok || !chapters_.contains(NodeId(dragged)) || !chapters_.contains(target))
        return false;
    NodeId after = row < 0 ? chapters_.lastChild(target) : row == 0 ? kNoNode : chapters_.child(target, size_t(row - 1));
    if (after == NodeId(dragged)) after = chapters_.previousSibling(after);  // next to itself is where it is
    return moveHandler_(NodeId(dragged), target, after);
}

void ChapterItemModel::aboutToReset() { beginResetModel(); }
void ChapterItemModel::resetDone() { endResetModel(); }

void ChapterItemModel::aboutToInsert(NodeId parent, size_t row) {
    beginInsertRows(indexOf(parent), int(row), int(row));
}

void ChapterItemModel::inserted(NodeId) { endInsertRows(); }

void ChapterItemModel::aboutToRemove(NodeId node) {
    const int row = int(chapters_.row(node));
    beginRemoveRows(indexOf(chapters_.parent(node)), row, row);
}

void ChapterItemModel::removed(NodeId, size_t) { endRemoveRows(); }

// A move to where the node already stands is none as far as the view goes.
void ChapterItemModel::aboutToMove(NodeId node, NodeId newParent, size_t row) {
    const QModelIndex from = indexOf(chapters_.parent(node));
    const int at = int(chapters_.row(node));
    moving_ = beginMoveRows(from, at, at, indexOf(newParent), int(row));
}

void ChapterItemModel::moved(NodeId) {
    if (moving_) endMoveRows();
    moving_ = false;
}

void ChapterItemModel::changed(NodeId node) {
    const QModelIndex at = indexOf(node);
    emit dataChanged(at, at);
}

}  // namespace pgw::tree::widgets
