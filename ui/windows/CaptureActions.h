#pragma once
// The main window's capture controls: "Start capture..." and "Stop capture" in the File menu,
// above its separator, and the capture panel at the right of the status bar. What they do is
// wired up by the program around the window.
class frmMain;

void createCaptureControls(frmMain &form);
void applyCaptureLanguage(frmMain &form);
