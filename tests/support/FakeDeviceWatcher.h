#pragma once
// A device watcher the test plays: it records what is watched and tells of a change only when
// the test says so. Shared state lives in a Probe, so the test keeps it after handing the
// watcher over.
#include "DeviceWatcher.h"

#include <QString>
#include <functional>
#include <memory>
#include <utility>

class FakeDeviceWatcher final : public platform::DeviceWatcher {
public:
    struct Probe {
        QString path;          // what is watched; empty when stopped
        int watches = 0;       // calls of watch()
        bool canWatch = true;  // false: watch() fails, as without inotify
        std::function<void()> changed;
        void fire() const
        {
            if (changed)
                changed();
        }
    };

    explicit FakeDeviceWatcher(std::shared_ptr<Probe> probe) : m_probe(std::move(probe)) {}

    bool watch(const QString &path, std::function<void()> changed) override
    {
        ++m_probe->watches;
        if (!m_probe->canWatch)
            return false;
        m_probe->path = path;
        m_probe->changed = std::move(changed);
        return true;
    }
    void stop() override
    {
        m_probe->path.clear();
        m_probe->changed = {};
    }

private:
    std::shared_ptr<Probe> m_probe;
};
