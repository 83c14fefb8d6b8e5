#pragma once
// Keeps the settings dialog's port list up to date while it is open: adapters plugged in and
// out, lock files that come and go. The folders that decide what is there are watched, and a
// burst of changes (udev makes a node, sets its group, adds its links) refreshes the list once.
#include "DeviceWatcher.h"
#include "Timer.h"

#include <QObject>
#include <QStringList>
#include <memory>
#include <vector>

class frmSettings;

class LivePortList : public QObject {
    Q_OBJECT
public:
    static constexpr int kSettleMs = 200;

    // Child of the dialog. watchedPaths: paths whose folders matter (a node in /dev, a by-id
    // link, the port table's entries, a lock file).
    LivePortList(frmSettings &dialog, const QStringList &watchedPaths);
    ~LivePortList() override;

    int refreshes() const { return m_refreshes; }

private:
    void changed();

    frmSettings &m_dialog;
    std::vector<std::unique_ptr<platform::DeviceWatcher>> m_watchers;
    std::unique_ptr<platform::Timer> m_settle;
    int m_refreshes = 0;
};
