#pragma once

#include <QSpinBox>

// A spin field the user can only step: the arrow buttons and the Up and Down keys change the value by
// one, while typed characters (Backspace and Enter too), pasting and cutting are refused with a beep.
class SpinField : public QSpinBox {
    Q_OBJECT
public:
    explicit SpinField(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
