#pragma once
// The main window's entries for the traffic list: Copy, Copy all, Save list as, Find, Pause
// display and the hex display in the menus, the first three also as the list's context menu,
// and the status bar's panels for a paused display and the byte counts. Only the controls:
// TrafficListOutput, DisplayPause and TrafficCounters give them their work.
#include <QtGlobal>

class frmMain;

void createListEntries(frmMain &form);
void applyListLanguage(frmMain &form);

// The panels' texts in the current language; the numbers stay with the panels, so that a
// change of language shows them anew. A pause panel with a negative count hides.
void showPausedLines(frmMain &form, qint64 lines);
void showByteCounts(frmMain &form, qint64 received, qint64 sent);
