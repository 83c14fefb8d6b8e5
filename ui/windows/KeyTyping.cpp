#include "KeyTyping.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

namespace {

// Qt's key codes for printable characters are their upper-case code points.
int keyOf(char32_t codePoint)
{
    return QChar::isPrint(codePoint) ? int(QChar::toUpper(codePoint)) : int(Qt::Key_unknown);
}

} // namespace

void typeText(QWidget *target, const QString &text)
{
    // A handler may close the window the field lives in while the keys arrive.
    const QPointer<QWidget> field(target);
    for (const char32_t codePoint : text.toUcs4()) {
        const QString character = QString::fromUcs4(&codePoint, 1);
        const int key = keyOf(codePoint);
        if (field.isNull())
            return;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, character);
        QCoreApplication::sendEvent(field.data(), &press);
        if (field.isNull())
            return;
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, character);
        QCoreApplication::sendEvent(field.data(), &release);
    }
}
