#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TForm6;
}

// "Weitere Programme": where to find the maker's other programs, with a button to the web page. The
// text is the user's to edit for the rest of the run; it is never read or saved.
class TForm6 : public QDialog {
    Q_OBJECT
public:
    explicit TForm6(QWidget* parent = nullptr);
    ~TForm6() override;

signals:
    // The user asked for the maker's web page; the dialog stays open.
    void internetRequested();

public slots:
    void Button1Click();
    void Button2Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::TForm6> ui_;
};
