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
    // rows removed under it), with the column and the row; false refuses it.
    using RowQuestion = std::function<bool(int column, int row)>;
    void setRowQuestion(RowQuestion question);

    // Makes the change of the list and keeps the current row number, as a grid of fixed rows does: the
    // records move, the highlight stays (unasked, unscrolled). Where that row is gone, the last row
    // becomes current, asked as any other change of the current row is.
    void keepingCurrentRow(const std::function<void()>& change);

signals:
    void anyDoubleClick();

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    RowQuestion rowQuestion_;
    bool quiet_ = false; // the view follows the records while the list changes: no question then
};
