#pragma once
// Getting lines out of the traffic list: Copy (the selected line), Copy all and Save list as,
// all in the text-capture form, so that what is pasted into a report compares with a capture.
// Also owns the list's other helpers: pausing, finding and the byte counters.
#include <QObject>
#include <QString>

class DisplayPause;
class TerminalSession;
class TrafficCounters;
class frmFind;
class frmMain;

class TrafficListOutput : public QObject {
    Q_OBJECT
public:
    // Child of the window; the session must outlive it. programFolder is where the save
    // dialog opens.
    TrafficListOutput(frmMain &form, TerminalSession &session, const QString &programFolder);

    void copySelectedLine();
    void copyAll();
    void saveList();
    // Shows the find bar, made at its first use.
    void showFind();

    DisplayPause &pause() { return *m_pause; }
    TrafficCounters &counters() { return *m_counters; }
    frmFind *findBar() const { return m_find; }

private:
    frmMain &m_form;
    TerminalSession &m_session;
    QString m_folder;
    DisplayPause *m_pause = nullptr;       // children of this object
    TrafficCounters *m_counters = nullptr;
    frmFind *m_find = nullptr;             // child of the window
};

// Writes text to path as UTF-8, replacing the file atomically; the error's description, or
// an empty text on success.
QString writeListFile(const QString &path, const QString &text);
