#include "FullDisk.h"

#include <QByteArray>
#include <QFile>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>
#endif

namespace velmora::testing {

#ifdef Q_OS_LINUX

namespace {

QString SystemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1StringView(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

// Moves the calling thread into a mount namespace of its own, once; mounts made there do not
// reach the rest of the system. Empty, or why not.
QString PrivateMounts() {
    thread_local QString result = [] {
        if (::geteuid() != 0)
            return QStringLiteral("mounting needs root");
        if (::unshare(CLONE_NEWNS) != 0)
            return SystemError("unshare(CLONE_NEWNS)");
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return SystemError("making the mounts private");
        return QString();
    }();
    return result;
}

} // namespace

FullDisk::FullDisk(qint64 bytes) {
    if (!m_dir.isValid()) {
        m_unavailable = QStringLiteral("no temporary folder");
        return;
    }
    m_unavailable = PrivateMounts();
    if (!m_unavailable.isEmpty())
        return;
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0700";
    if (::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                options.constData()) != 0) {
        m_unavailable = SystemError("mounting a tmpfs");
        return;
    }
    m_mounted = true;
}

FullDisk::~FullDisk() {
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

bool FullDisk::fill() {
    if (!m_mounted)
        return false;
    const int fd = ::open(QFile::encodeName(filePath(QStringLiteral("filler"))).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const char block[4096] = {};
    // Whole blocks, then single bytes for what a block no longer fits into.
    for (std::size_t size : {sizeof block, std::size_t{1}})
        while (::write(fd, block, size) > 0) {
        }
    const bool full = errno == ENOSPC;
    ::close(fd);
    return full;
}

#else

FullDisk::FullDisk(qint64) : m_unavailable(QStringLiteral("small file systems are mounted on Linux only")) {}
FullDisk::~FullDisk() = default;
bool FullDisk::fill() {
    return false;
}

#endif

} // namespace velmora::testing
