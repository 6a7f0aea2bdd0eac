#pragma once
// The book's chapters as a Qt item model, for the chapter tree's view: one column, the
// node's name (GBK, shown converted) and its image. The model follows the chapter model
// and never changes it by itself: a rename typed into the view and a chapter dropped in
// it go to the handlers the view sets, which apply the book's rules.

#include "book/ChapterModel.h"
#include "tree/widgets/ChapterImages.h"

#include <QAbstractItemModel>
#include <QHash>

#include <functional>

namespace pgw::tree::widgets {

class ChapterItemModel : public QAbstractItemModel, private book::ChapterModelObserver {
    Q_OBJECT
public:
    static constexpr int kNodeIdRole = Qt::UserRole;
    static constexpr int kNormalImageRole = Qt::UserRole + 1;
    static constexpr int kSelectedImageRole = Qt::UserRole + 2;
    static constexpr const char* kMimeType = "application/x-pagewright-chapter";

    // Moves `node` under `parent`, behind `after` (kNoNode: first); whether it moved.
    using MoveHandler = std::function<bool(book::NodeId node, book::NodeId parent, book::NodeId after)>;

    ChapterItemModel(book::ChapterModel& chapters, QObject* parent = nullptr);
    ~ChapterItemModel() override;

    book::ChapterModel& chapters() const { return chapters_; }
    QModelIndex indexOf(book::NodeId node) const;
    book::NodeId nodeAt(const QModelIndex& index) const;
    void setMoveHandler(MoveHandler handler) { moveHandler_ = std::move(handler); }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    // A chapter of this book dropped at `row` under `parent` (row -1: as its last child)
    // moves there through the move handler.
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

private:
    void aboutToReset() override;
    void resetDone() override;
    void aboutToInsert(book::NodeId parent, size_t row) override;
    void inserted(book::NodeId node) override;
    void aboutToRemove(book::NodeId node) override;
    void removed(book::NodeId parent, size_t row) override;
    void aboutToMove(book::NodeId node, book::NodeId newParent, size_t row) override;
    void moved(book::NodeId node) override;
    void changed(book::NodeId node) override;

    QIcon iconFor(book::NodeImages images) const;

    book::ChapterModel& chapters_;
    MoveHandler moveHandler_;
    ChapterImages images_ = loadChapterImages();
    mutable QHash<int, QIcon> icons_;  // by image pair
    bool moving_ = false;              // a move the view was told of, to be ended
};

}  // namespace pgw::tree::widgets
