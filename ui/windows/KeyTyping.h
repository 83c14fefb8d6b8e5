#pragma once
// Typing on behalf of the user.
#include <QString>

class QWidget;

// Types text into target as the keyboard would: one key press and one key release per
// character, delivered to the widget itself. Its event filters and key handlers run as for
// typed keys, and an edit field inserts the characters at its caret, over its selection.
void typeText(QWidget *target, const QString &text);
