#pragma once
// The automatic capture's settings, section "CAPTURE" of Settings.ini: read at start, written
// at exit, changed in between by the settings dialog only.
#include <QString>
#include <QtGlobal>

inline QString g_strCaptureFolder; // empty: no automatic capture
inline quint8 g_bytCaptureRaw = 0; // 1: every capture also writes the received bytes raw (.bin)
