#pragma once

#include <QFrame>
#include <QString>

#include <memory>

namespace Ui {
class FindBar;
}

// The bar under the grid where a text is looked for in every field: the text, "Find next", what the last
// find came to, and a close button. Escape closes it.
class FindBar : public QFrame {
    Q_OBJECT
public:
    explicit FindBar(QWidget* parent = nullptr);
    ~FindBar() override;

    QString text() const;
    // Shows the bar with the keyboard in its text, all of it selected, so that typing replaces it.
    void open();
    // What the last find came to, also told to a screen reader; empty clears it.
    void tell(const QString& outcome);

public slots:
    void requestFindNext() { emit findNextRequested(); }

signals:
    void findNextRequested();
    void closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<Ui::FindBar> ui_;
};
