#pragma once

#include "book/AddressBook.h"

#include <QAbstractTableModel>

// The grid's view of the address book's table. Table row r is view row r - 1; row 0 is the header.
// Every change of the records goes through here, so the view hears of exactly the rows that changed:
// row moves are told as "rows from here on changed" plus one row added or dropped at the end, which
// keeps the current row number where the commands expect it and never resets a million-row view.
// The table changes first and the view is told afterwards, so a change that fails leaves both as they
// were; the model keeps the row count the view was last told.
class AddressModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit AddressModel(book::AddressBook& book, QObject* parent = nullptr);

    const book::AddressTable& table() const { return book_.table(); }

    // After the book was loaded: the whole table at once.
    void showLoadedTable();

    int add(int keyColumn, const book::Record& record); // the Add command's place; returns the row
    void setRecord(int row, const book::Record& record);
    void insertRecord(int row, const book::Record& record);
    void removeRecord(int row);
    void sortByColumn(int column);
    void sortAfterChange(int column, int row); // the same result when only `row` was rewritten

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void tellRowsChanged(int firstTableRow, int lastTableRow);
    void tellRowCount(); // one row added or dropped at the end

    book::AddressBook& book_;
    int shownRows_ = 0; // view rows, as the view was last told
};
