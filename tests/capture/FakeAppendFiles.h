#pragma once
// Append-only files the test plays: each path keeps what was appended, one entry per write, and
// fails or stalls the way the test says (a full disk, a folder gone, a slow disk). Installs
// itself while alive. Appends run on the capture's writer thread: read a file after
// TrafficCapture::waitForWrites() only.
#include "AppendFile.h"

#include <QByteArray>
#include <QList>
#include <map>
#include <QSemaphore>
#include <QString>

#include <atomic>
#include <cerrno>
#include <memory>

class FakeAppendFiles {
public:
    struct File {
        QList<QByteArray> writes;
        QByteArray content() const { return writes.join(); }
        int failWritesWith = 0; // errno for every append from now on; 0 = appends succeed
        bool gone = false;      // the folder went away: checkStillThere() throws
        bool midLine = false;
        // When set, each append waits for the gate (a disk that stalls), at most ten seconds:
        // an append that had to give up counts in appendsGivenUp.
        QSemaphore *gate = nullptr;
        std::atomic<int> appendsGivenUp{0};
    };

    FakeAppendFiles()
    {
        platform::setAppendFileFactory([this](const QString &path) -> std::unique_ptr<platform::AppendFile> {
            if (refuseOpenWith != 0)
                throw platform::appendFailure(refuseOpenWith, path);
            return std::make_unique<Fake>(files[path], path);
        });
    }
    ~FakeAppendFiles() { platform::setAppendFileFactory({}); }
    FakeAppendFiles(const FakeAppendFiles &) = delete;
    FakeAppendFiles &operator=(const FakeAppendFiles &) = delete;

    std::map<QString, File> files; // keeps references stable while files are added
    int refuseOpenWith = 0;

private:
    struct Fake final : platform::AppendFile {
        Fake(File &file, QString path) : file(file), path(std::move(path)) {}
        void append(QByteArrayView bytes) override
        {
            if (file.gate && !file.gate->tryAcquire(1, 10000))
                ++file.appendsGivenUp;
            if (file.failWritesWith != 0)
                throw platform::appendFailure(file.failWritesWith, path);
            file.writes.append(bytes.toByteArray());
        }
        void checkStillThere() const override
        {
            if (file.gone)
                throw platform::appendFailure(ENOENT, path);
        }
        bool endsMidLine() const override { return file.midLine; }
        File &file;
        QString path;
    };
};
