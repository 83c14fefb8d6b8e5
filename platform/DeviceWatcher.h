#pragma once
// Tells when a device path may have appeared, gone or changed, without looking again and again:
// a port whose device went away waits for it at no cost. The path may be a link (a
// /dev/serial/by-id name, a link to a pty); whoever is told looks at the path itself.
#include <QString>
#include <functional>
#include <memory>

namespace platform {

class DeviceWatcher {
public:
    virtual ~DeviceWatcher() = default;

    // Watches the folders that decide what the path leads to: its own folder (or the nearest
    // one that exists) and the folders of the links on the way. changed runs from the event
    // loop, possibly more often than anything that matters changed. False when the system
    // cannot watch: the caller must then look for itself now and then.
    virtual bool watch(const QString &path, std::function<void()> changed) = 0;
    virtual void stop() = 0;
};

// The system's watcher (inotify).
std::unique_ptr<DeviceWatcher> makeDeviceWatcher();

} // namespace platform
