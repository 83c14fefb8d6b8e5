#pragma once
// The program's icon: a terminal prompt above a nine-pin serial connector, drawn in
// resources/tellurix.svg and kept as PNGs from 16 to 256 pixels.
#include <QIcon>
#include <QPixmap>
#include <QSize>

QIcon tellurixIcon();
// The icon as large as fits into box, its proportions kept.
QPixmap tellurixPicture(const QSize &box);
