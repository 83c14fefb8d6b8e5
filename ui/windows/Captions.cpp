#include "Captions.h"

#include "modTools.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>

void setCaptions(std::initializer_list<Caption> captions)
{
    for (const Caption &caption : captions) {
        const QString text = fkt_ToolsGetResString(caption.id);
        std::visit(
            [&text](auto *control) {
                // Frames and menus have a title, the other controls a text.
                if constexpr (requires { control->setTitle(text); })
                    control->setTitle(text);
                else
                    control->setText(text);
            },
            caption.control);
    }
}
