#include "AppendFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Texts of the string table for the errors a capture meets in practice; the description is
// their English wording, as for the serial layer's failures.
constexpr qint32 kTextDiskFull = 1720;
constexpr qint32 kTextFolderGone = 1721;
constexpr qint32 kTextOtherError = 1722;

class PosixAppendFile final : public AppendFile {
public:
    PosixAppendFile(int fd, QString path, bool endsMidLine)
        : m_fd(fd), m_path(std::move(path)), m_endsMidLine(endsMidLine)
    {
        struct stat st {};
        if (::fstat(m_fd, &st) == 0) {
            m_device = st.st_dev;
            m_inode = st.st_ino;
        }
    }
    ~PosixAppendFile() override { ::close(m_fd); }
    PosixAppendFile(const PosixAppendFile &) = delete;
    PosixAppendFile &operator=(const PosixAppendFile &) = delete;

    void append(QByteArrayView bytes) override
    {
        struct stat st {};
        const off_t before = ::fstat(m_fd, &st) == 0 ? st.st_size : -1;
        const char *data = bytes.data();
        qsizetype left = bytes.size();
        while (left > 0) {
            const ssize_t n = ::write(m_fd, data, size_t(left));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                const int error = n < 0 ? errno : ENOSPC;
                // Half a batch would leave half a line behind: the file goes back to its end
                // before this write, and everything written earlier stays as it was.
                if (before >= 0 && left != bytes.size())
                    [[maybe_unused]] const int ignored = ::ftruncate(m_fd, before);
                throw appendFailure(error, m_path);
            }
            data += n;
            left -= n;
        }
    }

    void checkStillThere() const override
    {
        struct stat st {};
        if (::stat(QFile::encodeName(m_path).constData(), &st) != 0)
            throw appendFailure(errno, m_path);
        if (st.st_dev != m_device || st.st_ino != m_inode)
            throw appendFailure(ENOENT, m_path);
    }

    bool endsMidLine() const override { return m_endsMidLine; }

private:
    int m_fd;
    QString m_path;
    bool m_endsMidLine;
    dev_t m_device = 0;
    ino_t m_inode = 0;
};

AppendFileFactory &installedFactory()
{
    static AppendFileFactory factory;
    return factory;
}

std::unique_ptr<AppendFile> openPosix(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        throw appendFailure(errno, path);
    bool midLine = false;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0) {
        const int reader = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        char last = '\n';
        if (reader >= 0) {
            if (::pread(reader, &last, 1, st.st_size - 1) != 1)
                last = '\n';
            ::close(reader);
        }
        midLine = last != '\n';
    }
    return std::make_unique<PosixAppendFile>(fd, path, midLine);
}

} // namespace

std::unique_ptr<AppendFile> openAppendFile(const QString &path)
{
    if (const AppendFileFactory &factory = installedFactory())
        return factory(path);
    return openPosix(path);
}

void setAppendFileFactory(AppendFileFactory factory)
{
    installedFactory() = std::move(factory);
}

Failure appendFailure(int errorNumber, const QString &path)
{
    const qint32 number = kAppendFailureBase + errorNumber;
    switch (errorNumber) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return Failure(QStringLiteral("%1: the disk is full").arg(path), number, kTextDiskFull, {path});
    case ENOENT:
    case ENOTDIR:
        return Failure(QStringLiteral("%1: the folder does not exist (any more)").arg(path), number,
                       kTextFolderGone, {path});
    default: {
        const QString system = QString::fromLocal8Bit(std::strerror(errorNumber));
        return Failure(QStringLiteral("%1: %2").arg(path, system), number, kTextOtherError,
                       {path, system});
    }
    }
}

} // namespace platform
