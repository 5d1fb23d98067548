#include "AddressModel.h"

#include "CellText.h"

AddressModel::AddressModel(book::AddressBook& book, QObject* parent)
    : QAbstractTableModel(parent), book_(book), shownRows_(book.table().rowCount() - 1) {}

void AddressModel::showLoadedTable() {
    beginResetModel();
    shownRows_ = table().rowCount() - 1;
    endResetModel();
}

int AddressModel::add(int keyColumn, const book::Record& record) {
    const int rowsBefore = table().rowCount();
    const int row = book_.add(keyColumn, record);
    tellRowCount();
    tellRowsChanged(row, table().rowCount() > rowsBefore ? table().rowCount() - 1 : row);
    return row;
}

void AddressModel::setRecord(int row, const book::Record& record) {
    book_.setRecord(row, record);
    tellRowsChanged(row, row);
}

void AddressModel::insertRecord(int row, const book::Record& record) {
    book_.insertRecord(row, record);
    tellRowCount();
    tellRowsChanged(row, table().rowCount() - 1);
}

void AddressModel::removeRecord(int row) {
    const int oldLast = table().rowCount() - 1;
    book_.removeRecord(row);
    tellRowCount();
    if (row < oldLast) {
        tellRowsChanged(row, oldLast - 1);
    }
}

void AddressModel::sortByColumn(int column) {
    book_.sortByColumn(column);
    tellRowsChanged(1, table().rowCount() - 1);
}

void AddressModel::sortAfterChange(int column, int row) {
    book_.sortAfterChange(column, row);
    tellRowsChanged(1, table().rowCount() - 1);
}

void AddressModel::tellRowCount() {
    const int rows = table().rowCount() - 1;
    if (rows > shownRows_) {
        beginInsertRows({}, shownRows_, rows - 1);
        shownRows_ = rows;
        endInsertRows();
    } else if (rows < shownRows_) {
        beginRemoveRows({}, rows, shownRows_ - 1);
        shownRows_ = rows;
        endRemoveRows();
    }
}

void AddressModel::tellRowsChanged(int firstTableRow, int lastTableRow) {
    emit dataChanged(index(firstTableRow - 1, 0), index(lastTableRow - 1, book::ColumnCount - 1),
                     {Qt::DisplayRole});
}

int AddressModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownRows_;
}

int AddressModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : book::ColumnCount;
}

QVariant AddressModel::data(const QModelIndex& index, int role) const {
    // A row the view still has while it is being told of its removal is no longer in the table.
    if (role != Qt::DisplayRole || !index.isValid() || index.row() + 1 >= table().rowCount()) {
        return {};
    }
    return ui::toGridText(table().cell(index.column(), index.row() + 1));
}

QVariant AddressModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= book::ColumnCount) {
        return {};
    }
    return ui::toDisplay(table().cell(section, 0));
}
