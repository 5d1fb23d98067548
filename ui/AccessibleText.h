#pragma once

class QString;
class QWidget;

// What a screen reader announces for the controls of a window.
namespace ui {

// A caption as it is spoken: without the access key marker (of "&&" one '&' stays) and without the
// blanks around it.
QString spokenCaption(const QString& caption);

// Names and describes every control of the window and its menus where the form declares nothing: a
// button by its caption, a field by the label whose buddy it is, a menu by its title; the description
// is the control's hint. Runs once the hints are set; a dialog owned by the window names its own.
void nameControls(QWidget& window);

} // namespace ui
