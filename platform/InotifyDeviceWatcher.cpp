#include "DeviceWatcher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStringList>

#include <array>
#include <set>
#include <cerrno>
#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int kMaxLinkSteps = 8; // by-id → ../../ttyUSB0 → ..., with margin
constexpr uint32_t kFolderEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB
                                   | IN_DELETE_SELF | IN_MOVE_SELF;

// The folder itself when it exists, else the nearest folder above it that does: a folder that
// is created later (udev makes /dev/serial/by-id with the first adapter) shows as an event there.
QString nearestExistingFolder(QString folder)
{
    while (!QFileInfo(folder).isDir()) {
        const QString parent = QFileInfo(folder).path();
        if (parent == folder)
            return QString();
        folder = parent;
    }
    return folder;
}

// The folders whose entries decide where path leads: the path's own folder, and that of each
// link target on the way.
QStringList foldersOf(const QString &path)
{
    QStringList folders;
    QString step = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    for (int i = 0; i < kMaxLinkSteps && !step.isEmpty(); ++i) {
        const QString folder = nearestExistingFolder(QFileInfo(step).path());
        if (!folder.isEmpty() && !folders.contains(folder))
            folders << folder;
        const QFileInfo info(step);
        if (!info.isSymLink())
            break;
        step = QDir::cleanPath(QDir(info.path()).absoluteFilePath(info.symLinkTarget()));
    }
    return folders;
}

class InotifyDeviceWatcher final : public DeviceWatcher {
public:
    ~InotifyDeviceWatcher() override { stop(); }

    // Not from inside changed.
    bool watch(const QString &path, std::function<void()> changed) override
    {
        stop();
        m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_fd < 0)
            return false;
        m_path = path;
        if (!updateWatches()) {
            stop();
            return false;
        }
        m_changed = std::move(changed);
        m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                         [this] { onEvents(); });
        return true;
    }

    // From inside changed the notifier is in the middle of its own signal: it goes once that
    // is over.
    void stop() override
    {
        m_changed = {};
        if (m_inEvents) {
            m_stopWhenDone = true;
            return;
        }
        m_stopWhenDone = false;
        m_notifier.reset();
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        m_watches.clear();
    }

private:
    // Adding a folder that is watched already gives its old descriptor back and raises nothing;
    // a folder made anew under an old name gets a new one. Watches no longer wanted go.
    bool updateWatches()
    {
        std::set<int> wanted;
        for (const QString &folder : foldersOf(m_path)) {
            const int wd = ::inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), kFolderEvents);
            if (wd >= 0)
                wanted.insert(wd);
        }
        for (const int wd : m_watches) {
            if (!wanted.contains(wd))
                ::inotify_rm_watch(m_fd, wd);
        }
        m_watches = std::move(wanted);
        return !m_watches.empty();
    }

    // A folder may have come or gone, a link may lead elsewhere now: the watches follow the
    // path as it is, then the owner looks. The end of a watch that went away is no news.
    void onEvents()
    {
        alignas(inotify_event) std::array<char, 4096> buffer;
        bool news = false;
        for (;;) {
            const ssize_t got = ::read(m_fd, buffer.data(), buffer.size());
            if (got <= 0)
                break;
            for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= got;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer.data() + at);
                if ((event->mask & IN_IGNORED) == 0)
                    news = true;
                at += ssize_t(sizeof(inotify_event)) + ssize_t(event->len);
            }
        }
        if (!news)
            return;
        updateWatches();
        m_inEvents = true;
        if (m_changed)
            m_changed();
        m_inEvents = false;
        if (m_stopWhenDone)
            stop();
    }

    int m_fd = -1;
    QString m_path;
    std::set<int> m_watches;
    bool m_inEvents = false;
    bool m_stopWhenDone = false;
    std::function<void()> m_changed;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

} // namespace

std::unique_ptr<DeviceWatcher> makeDeviceWatcher()
{
    return std::make_unique<InotifyDeviceWatcher>();
}

} // namespace platform
