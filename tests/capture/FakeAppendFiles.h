#pragma once
// Append-only files the test plays: each path keeps what was appended, one entry per write, and
// fails the way the test says (a full disk, a folder gone). Installs itself while alive.
#include "AppendFile.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

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

    QMap<QString, File> files; // QMap keeps references stable while files are added
    int refuseOpenWith = 0;

private:
    struct Fake final : platform::AppendFile {
        Fake(File &file, QString path) : file(file), path(std::move(path)) {}
        void append(QByteArrayView bytes) override
        {
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
