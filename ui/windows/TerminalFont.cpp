#include "Twips.h"

#include <QFontDatabase>

QFont terminalFont()
{
    const QString terminal = QStringLiteral("Terminal");
    QFont font = QFontDatabase::hasFamily(terminal) ? QFont(terminal)
                                                    : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(9);
    font.setWeight(QFont::Normal);
    return font;
}
