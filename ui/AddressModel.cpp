#include "AddressModel.h"

#include "CellText.h"
#include "book/Sort.h"

#include <utility>

AddressModel::AddressModel(QObject* parent) : QAbstractTableModel(parent) {}

void AddressModel::replaceTable(book::AddressTable table) {
    beginResetModel();
    table_ = std::move(table);
    endResetModel();
}

void AddressModel::setRecord(int row, book::Record record) {
    table_.setRecord(row, std::move(record));
    tellRowsChanged(row, row);
}

void AddressModel::insertRecord(int row, book::Record record) {
    const int newLast = table_.rowCount();
    beginInsertRows({}, newLast - 1, newLast - 1);
    table_.insertRecord(row, std::move(record));
    endInsertRows();
    tellRowsChanged(row, table_.rowCount() - 1);
}

void AddressModel::removeRecord(int row) {
    const int oldLast = table_.rowCount() - 1;
    beginRemoveRows({}, oldLast - 1, oldLast - 1);
    table_.removeRecord(row);
    endRemoveRows();
    if (row < oldLast) {
        tellRowsChanged(row, oldLast - 1);
    }
}

void AddressModel::sortByColumn(int column) {
    book::sortByColumn(table_, column);
    tellRowsChanged(1, table_.rowCount() - 1);
}

void AddressModel::sortAfterChange(int column, int row) {
    book::sortAfterChange(table_, column, row);
    tellRowsChanged(1, table_.rowCount() - 1);
}

void AddressModel::tellRowsChanged(int firstTableRow, int lastTableRow) {
    emit dataChanged(index(firstTableRow - 1, 0), index(lastTableRow - 1, book::ColumnCount - 1),
                     {Qt::DisplayRole});
}

int AddressModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : table_.rowCount() - 1;
}

int AddressModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : book::ColumnCount;
}

QVariant AddressModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) {
        return {};
    }
    return ui::toGridText(table_.cell(index.column(), index.row() + 1));
}

QVariant AddressModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) {
        return {};
    }
    return ui::toDisplay(table_.cell(section, 0));
}
