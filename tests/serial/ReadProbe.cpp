#include "ReadProbe.h"

#include <QFile>

#include <atomic>
#include <cerrno>
#include <dlfcn.h>
#include <mutex>
#include <sys/stat.h>
#include <sys/types.h>

namespace {

using ReadFunction = ssize_t (*)(int, void *, size_t);

ReadFunction systemRead()
{
    static const ReadFunction function = reinterpret_cast<ReadFunction>(::dlsym(RTLD_NEXT, "read"));
    return function;
}

std::atomic<dev_t> watchedDevice{0};

std::mutex &logMutex()
{
    static std::mutex mutex;
    return mutex;
}

QByteArray &log()
{
    static QByteArray bytes;
    return bytes;
}

} // namespace

// Defined in the test program, this read() is the one Qt's libraries and the code under test
// call; the C library's is called from here.
extern "C" ssize_t read(int fd, void *buffer, size_t count)
{
    const ssize_t got = systemRead()(fd, buffer, count);
    const dev_t device = watchedDevice.load();
    if (got > 0 && device != 0) {
        const int savedErrno = errno;
        struct stat status{};
        if (::fstat(fd, &status) == 0 && S_ISCHR(status.st_mode) && status.st_rdev == device) {
            const std::lock_guard lock(logMutex());
            log().append(static_cast<const char *>(buffer), qsizetype(got));
        }
        errno = savedErrno;
    }
    return got;
}

namespace readprobe {

bool watch(const QString &path)
{
    struct stat status{};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISCHR(status.st_mode))
        return false;
    const std::lock_guard lock(logMutex());
    log().clear();
    watchedDevice = status.st_rdev;
    return true;
}

void stop()
{
    watchedDevice = 0;
}

QByteArray delivered()
{
    const std::lock_guard lock(logMutex());
    return log();
}

} // namespace readprobe
