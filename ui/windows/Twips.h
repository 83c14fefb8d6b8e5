#pragma once
// Window geometry is designed in twips; the screen has 15 twips per pixel at 96 dpi. The
// helpers here are shared by every window of the program.
#include <QDialog>
#include <QFont>
#include <QRect>
#include <QString>
#include <QWidget>

#include <algorithm>

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

// A new control, named as in the code, at its design place in twips.
template <typename W>
W *createControl(QWidget *parent, const char *name, int left, int top, int width, int height)
{
    W *widget = named(new W(parent), name);
    placeTwips(widget, left, top, width, height);
    return widget;
}

// A caption (label or check box) at its design place. The design sizes suit a smaller dialog
// font than most Linux desktops use, so a caption grows to show its whole text, as far as
// rightLimit (pixels in its parent) allows, and never shrinks below its design size.
struct CaptionPlace {
    QWidget *widget;
    QRect design;
    int rightLimit;
};

inline void fitCaption(const CaptionPlace &place)
{
    const QSize wanted = place.widget->sizeHint();
    const QRect &design = place.design;
    const int width = std::clamp(wanted.width(), design.width(),
                                 std::max(design.width(), place.rightLimit - design.x()));
    const int height = std::max(design.height(), wanted.height());
    place.widget->setGeometry(design.x(), design.y(), width, height);
}

// The program's dialogs: named as in the code, a title bar with the close box only, a fixed
// size, application-modal.
inline void setUpFixedDialog(QDialog *dialog, const char *name, int clientWidthTwips,
                             int clientHeightTwips)
{
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setFixedSize(px(clientWidthTwips), px(clientHeightTwips));
}

// Shows a dialog made by setUpFixedDialog and lets it go away when it closes. The caller
// returns at once and learns of the end from QDialog::finished: no nested event loop runs.
inline void openDialog(QDialog *dialog)
{
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}

// The traffic list's and the send field's font: "Terminal" at 9 points, or the system's
// fixed-pitch font at 9 points where no font of that name exists.
QFont terminalFont();
