#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TForm3;
}

// The font size dialog, shared by the viewing and the printing command: the caller sets the title and
// the value, runs exec() and takes value() unless FontSizeCancelled().
class TForm3 : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);
    ~TForm3() override;

    void setValue(int points);
    int value() const;
    // The outcome of the last use: false after OK in that showing (and before the first use), true
    // otherwise, also when something else ended the dialog's loop.
    bool FontSizeCancelled() const { return fontSizeCancelled_; }

public slots:
    void Button1Click();
    void Button2Click();
    void SpinEdit1Change();
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::TForm3> ui_;
    bool fontSizeCancelled_ = false;
};
