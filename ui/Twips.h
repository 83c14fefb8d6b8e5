#pragma once
// Window geometry is designed in twips; the screen has 15 twips per pixel at 96 dpi.
#include <QString>
#include <QWidget>

constexpr int kTwipsPerPixel = 15;

inline int px(int twips)
{
    return twips / kTwipsPerPixel;
}

inline void placeTwips(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(px(left), px(top), px(width), px(height));
}

// Gives a control the name it has in the code, so that tests and tools find it.
template <typename W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}
