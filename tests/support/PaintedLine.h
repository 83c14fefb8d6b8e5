#pragma once
// A traffic line drawn by the list's delegate on a white row of its own size, black text; with
// `visible` only that part of the row is exposed to the painter.
#include "TrafficLineDelegate.h"
#include "TrafficListModel.h"
#include "Twips.h"

#include <QImage>
#include <QPainter>
#include <QStyleOptionViewItem>

inline QImage paintedLine(const QString &line, const QRect &visible = QRect())
{
    TrafficListModel model;
    model.appendLine(line);
    TrafficLineDelegate delegate;
    QStyleOptionViewItem option;
    option.font = terminalFont();
    option.fontMetrics = QFontMetrics(option.font);
    option.state = QStyle::State_Enabled;
    option.palette.setColor(QPalette::Text, Qt::black);
    option.palette.setColor(QPalette::Base, Qt::white);
    const QSize size = delegate.sizeHint(option, model.index(0));
    option.rect = QRect(QPoint(0, 0), size);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    if (visible.isValid())
        painter.setClipRect(visible);
    delegate.paint(&painter, option, model.index(0));
    painter.end();
    return image;
}
