#pragma once
// The captions of a window's controls from the string table. A window's ApplyLanguage lists its
// controls with their text ids as one table instead of a call per control.
#include <QtGlobal>

#include <initializer_list>
#include <variant>

class QAbstractButton;
class QAction;
class QGroupBox;
class QLabel;
class QMenu;

// A control and the id of its caption: the text of labels, buttons, check boxes and menu
// entries, the title of frames and menus.
struct Caption {
    std::variant<QLabel *, QAbstractButton *, QAction *, QGroupBox *, QMenu *> control;
    qint32 id;
};

// Gives every control its caption in the current language, in the order listed.
void setCaptions(std::initializer_list<Caption> captions);
