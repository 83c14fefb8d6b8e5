#pragma once
// Section "CAPTURE" of Settings.ini: "Folder" (the automatic capture's folder, empty for none)
// and "Raw" (1 = a raw .bin beside every .log). A file without the section gets it only once
// one of the two differs from its default, so a user who never touches the capture finds
// Settings.ini exactly as before.
#include <QString>

void loadCaptureSettings(const QString &settingsPath);
void saveCaptureSettings(const QString &settingsPath);
