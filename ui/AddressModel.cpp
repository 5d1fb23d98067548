#include "AddressModel.h"

#include "CellText.h"

AddressModel::AddressModel(session::ListSession& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list) {
    list_.addObserver(*this);
}

AddressModel::~AddressModel() {
    list_.removeObserver(*this);
}

void AddressModel::recordsInserting(int first, int count) {
    beginInsertRows({}, first, first + count - 1);
}

void AddressModel::recordsInserted() {
    endInsertRows();
}

void AddressModel::recordRemoving(int index) {
    beginRemoveRows({}, index, index);
}

void AddressModel::recordRemoved() {
    endRemoveRows();
}

// Qt names the row the moved one goes before, counted before the move.
void AddressModel::recordMoving(int from, int to) {
    beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
}

void AddressModel::recordMoved() {
    endMoveRows();
}

void AddressModel::recordChanged(int index) {
    emit dataChanged(this->index(index, 0), this->index(index, book::ColumnCount - 1), {Qt::DisplayRole});
}

std::vector<int> AddressModel::recordsReordering() {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    followed_ = persistentIndexList();
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(followed_.size()));
    for (const QModelIndex& index : followed_) {
        rows.push_back(index.row());
    }
    return rows;
}

void AddressModel::recordsReordered(std::span<const int> newIndexes) {
    QModelIndexList moved;
    moved.reserve(followed_.size());
    for (qsizetype at = 0; at < followed_.size(); ++at) {
        const int row = newIndexes[static_cast<std::size_t>(at)];
        moved.push_back(row < 0 ? QModelIndex() : index(row, followed_[at].column()));
    }
    changePersistentIndexList(followed_, moved);
    followed_.clear();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void AddressModel::listReplacing() {
    beginResetModel();
}

void AddressModel::listReplaced() {
    endResetModel();
}

int AddressModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : table().recordCount();
}

int AddressModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : book::ColumnCount;
}

QVariant AddressModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) {
        return {};
    }
    return ui::toGridText(table().cell(index.column(), index.row()));
}

QVariant AddressModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= book::ColumnCount) {
        return {};
    }
    return ui::toDisplay(book::Headings[static_cast<std::size_t>(section)]);
}
