#include "AddressGrid.h"

#include <QEvent>
#include <QHeaderView>
#include <QMouseEvent>

namespace {

// Every change of the current index passes through setCurrentIndex, so this is where the grid asks.
class QuestioningSelectionModel : public QItemSelectionModel {
public:
    QuestioningSelectionModel(QAbstractItemModel* model, QObject* parent,
                              const AddressGrid::RowQuestion& question)
        : QItemSelectionModel(model, parent), question_(question) {}

    void setCurrentIndex(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override {
        if (question_ && index.isValid() && index.row() != currentIndex().row() &&
            !question_(index.column(), index.row() + 1)) {
            return;
        }
        QItemSelectionModel::setCurrentIndex(index, command);
    }

private:
    const AddressGrid::RowQuestion& question_;
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
    setSelectionModel(new QuestioningSelectionModel(model, this, rowQuestion_)); // owned by the view
    plain->deleteLater(); // replaced models are left to their owner to drop
}

void AddressGrid::setRowQuestion(RowQuestion question) {
    rowQuestion_ = std::move(question);
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
