#include "AddressGrid.h"

#include <QEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScopedValueRollback>

#include <exception>

namespace {

// Every change of the current index passes through setCurrentIndex, so this is where the grid asks.
class QuestioningSelectionModel : public QItemSelectionModel {
public:
    QuestioningSelectionModel(QAbstractItemModel* model, QObject* parent,
                              const AddressGrid::RowQuestion& question, const bool& quiet)
        : QItemSelectionModel(model, parent), question_(question), quiet_(quiet) {}

    void setCurrentIndex(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override {
        if (question_ && !quiet_ && index.isValid() && index.row() != currentIndex().row() &&
            !question_(index.column(), index.row())) {
            return;
        }
        QItemSelectionModel::setCurrentIndex(index, command);
    }

private:
    const AddressGrid::RowQuestion& question_;
    const bool& quiet_;
};

} // namespace

AddressGrid::AddressGrid(QWidget* parent) : QTableView(parent) {
    QHeaderView* const rows = verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(1);
    QHeaderView* const columns = horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setSectionsMovable(false);
    columns->setMinimumSectionSize(0);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // A double-click on a border would size the column to its contents, walking every row.
    disconnect(columns, &QHeaderView::sectionHandleDoubleClicked, this, nullptr);
    columns->viewport()->installEventFilter(this);
}

void AddressGrid::setModel(QAbstractItemModel* model) {
    QTableView::setModel(model);
    QItemSelectionModel* const plain = selectionModel();
    setSelectionModel(new QuestioningSelectionModel(model, this, rowQuestion_, quiet_)); // owned by the view
    plain->deleteLater(); // replaced models are left to their owner to drop
}

void AddressGrid::setRowQuestion(RowQuestion question) {
    rowQuestion_ = std::move(question);
}

void AddressGrid::keepingCurrentRow(const std::function<void()>& change) {
    const QModelIndex before = currentIndex();
    const auto keep = [this, row = before.row(), column = std::max(0, before.column())] {
        const int last = model()->rowCount() - 1;
        if (row < 0 || last < 0) {
            return;
        }
        // The view itself moved the current index with its record; the question is the grid's own.
        if (row > last && rowQuestion_ && !rowQuestion_(column, last)) {
            return;
        }
        const QScopedValueRollback quiet(quiet_, true);
        const bool scrolls = hasAutoScroll();
        setAutoScroll(row > last && scrolls);
        selectionModel()->setCurrentIndex(model()->index(std::min(row, last), column),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        setAutoScroll(scrolls);
    };
    std::exception_ptr failure;
    {
        const QScopedValueRollback quiet(quiet_, true);
        try {
            change();
        } catch (...) {
            failure = std::current_exception(); // nothing changed: the row is kept all the same
        }
    }
    keep();
    if (failure) {
        std::rethrow_exception(failure);
    }
}

void AddressGrid::setRowHeight(int pixels) {
    verticalHeader()->setDefaultSectionSize(pixels);
    horizontalHeader()->setFixedHeight(pixels);
}

int AddressGrid::rowHeight() const {
    return verticalHeader()->defaultSectionSize();
}

void AddressGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    emit anyDoubleClick();
}

bool AddressGrid::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        emit anyDoubleClick();
        return true;
    }
    return QTableView::eventFilter(watched, event);
}
