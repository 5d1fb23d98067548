#pragma once

class QDialog;
class QWidget;

namespace ui {

// The frame every dialog of the program has: title and close box only, the size the form declares,
// the form's font family at the given character height, and centred on the screen at every showing.
void useDialogFrame(QDialog& dialog, int fontPixels);

// Sets only the character height of the widget's font (at least a pixel), keeping family and weight.
void setFontPixels(QWidget& widget, int pixels);

} // namespace ui
