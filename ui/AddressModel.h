#pragma once

#include "book/AddressTable.h"
#include "book/ListObserver.h"
#include "session/ListSession.h"

#include <QAbstractTableModel>
#include <QModelIndexList>

// The grid's view of the list: view row r is record r, under the headings. It hears of every change of
// the list where it happens and tells the view just that: an insert at its row, a removal at its row, a
// move, a re-sort as a layout change that carries the persistent indexes (the selection's among them)
// along with their records.
class AddressModel : public QAbstractTableModel, private book::ListObserver {
    Q_OBJECT
public:
    explicit AddressModel(session::ListSession& list, QObject* parent = nullptr);
    ~AddressModel() override;

    const book::AddressTable& table() const { return list_.table(); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void recordsInserting(int first, int count) override;
    void recordsInserted() override;
    void recordRemoving(int index) override;
    void recordRemoved() override;
    void recordMoving(int from, int to) override;
    void recordMoved() override;
    void recordChanged(int index) override;
    std::vector<int> recordsReordering() override;
    void recordsReordered(std::span<const int> newIndexes) override;
    void listReplacing() override;
    void listReplaced() override;

    session::ListSession& list_;
    QModelIndexList followed_; // the persistent indexes during a reorder
};
