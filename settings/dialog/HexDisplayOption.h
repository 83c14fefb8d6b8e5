#pragma once
// The Presentation tab's hex display box: data of lines appended while it is on shows as hex
// bytes. Filled from and read back into g_bytHexDisplay like the other controls of the dialog.
class QCheckBox;
class QWidget;

QCheckBox *createHexDisplayBox(QWidget *presentationFrame);
void fillHexDisplayBox(QCheckBox *box);
void readHexDisplayBox(const QCheckBox *box);
void nameHexDisplayBox(QCheckBox *box);
