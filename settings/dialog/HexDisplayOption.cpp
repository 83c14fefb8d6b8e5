#include "HexDisplayOption.h"

#include "DisplayGlobals.h"
#include "Twips.h"
#include "modTools.h"

#include <QCheckBox>

QCheckBox *createHexDisplayBox(QWidget *presentationFrame)
{
    auto *box = named(new QCheckBox(presentationFrame), "chkHexDisplay");
    // One row below the special-character box, in its column and size.
    placeTwips(box, 360, 840, 3195, 315);
    return box;
}

void fillHexDisplayBox(QCheckBox *box)
{
    box->setChecked(g_bytHexDisplay != 0);
}

void readHexDisplayBox(const QCheckBox *box)
{
    g_bytHexDisplay = box->isChecked() ? 1 : 0;
}

void nameHexDisplayBox(QCheckBox *box)
{
    box->setText(fkt_ToolsGetResString(1746));
}
