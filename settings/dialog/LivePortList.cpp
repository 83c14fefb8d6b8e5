#include "LivePortList.h"

#include "frmSettings.h"
#include "modGlobal.h"

#include <QComboBox>

LivePortList::LivePortList(frmSettings &dialog, const QStringList &watchedPaths)
    : QObject(&dialog), m_dialog(dialog), m_settle(platform::makeTimer(platform::TimerKind::SingleShot))
{
    m_settle->timeout = [this] {
        ++m_refreshes;
        m_dialog.refreshPortLists();
    };
    for (const QString &path : watchedPaths) {
        auto watcher = platform::makeDeviceWatcher();
        if (watcher->watch(path, [this] { changed(); }))
            m_watchers.push_back(std::move(watcher));
    }
}

LivePortList::~LivePortList()
{
    m_settle->stop();
    for (const auto &watcher : m_watchers)
        watcher->stop();
}

void LivePortList::changed()
{
    if (!m_settle->isActive())
        m_settle->start(kSettleMs);
}

// The selected port stays selected as long as it is listed; a port that went takes the
// selection rules of the dialog's opening with it.
void frmSettings::refreshPortLists()
{
    const int position = cboPcPort->currentIndex();
    const bool selected = position >= 0 && position < cboPcPortTemp->count();
    const int index = selected ? cboPcPortTemp->itemText(position).toInt() : -1;
    FillPortLists(m_portList ? m_portList() : QStringLiteral("0"), cboPcPort, cboPcPortTemp,
                  selected ? quint8(index) : g_bytComPort);
    if (!selected)
        return;
    for (int i = 0; i < cboPcPortTemp->count(); ++i) {
        if (cboPcPortTemp->itemText(i).toInt() == index) {
            cboPcPort->setCurrentIndex(i); // also the console, which only the user selects
            return;
        }
    }
}
