#pragma once

#include <QTableView>

#include <functional>

// The address grid: a table view whose double-click anywhere (cells, empty space, the heading row and
// its borders) means "change the current address", and whose rows all share one fixed height so a
// million rows never need laying out.
class AddressGrid : public QTableView {
    Q_OBJECT
public:
    explicit AddressGrid(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;

    void setRowHeight(int pixels);
    int rowHeight() const;

    // Asked before any change of the current row, whatever causes it (clicks, keys, the program,
    // rows removed under it), with the column and the table row (view row + 1); false refuses it.
    using RowQuestion = std::function<bool(int column, int tableRow)>;
    void setRowQuestion(RowQuestion question);

signals:
    void anyDoubleClick();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    RowQuestion rowQuestion_;
};
