#include "ByteNamedFile.h"

#include "util/AtomicSave.h"

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace velmora::ads {

#ifdef Q_OS_UNIX

namespace {

QByteArray systemError(int error) {
    return QByteArray(std::strerror(error));
}

// The file a name finally stands for: a symbolic link is written through, not replaced.
QByteArray resolveLinks(const QByteArray& name) {
    struct stat status {};
    if (::lstat(name.constData(), &status) != 0 || !S_ISLNK(status.st_mode))
        return name;
    char* resolved = ::realpath(name.constData(), nullptr);
    if (!resolved)
        return name; // a dangling link: replaced like a file
    QByteArray target(resolved);
    std::free(resolved);
    return target;
}

} // namespace

bool openForReading(QFile& file, const QByteArray& name, QByteArray* error) {
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    struct stat status {};
    const int reason = fd < 0                      ? errno
                       : ::fstat(fd, &status) != 0 ? errno
                       : S_ISDIR(status.st_mode)   ? EISDIR
                                                   : 0;
    if (reason != 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        *error = reason != 0 ? systemError(reason) : file.errorString().toLocal8Bit();
        return false;
    }
    return true;
}

AtomicFileWriter::AtomicFileWriter(QByteArray name) : m_name(std::move(name)) {}

AtomicFileWriter::~AtomicFileWriter() {
    m_file.close();
    if (!m_temporary.isEmpty())
        ::unlink(m_temporary.constData());
}

bool AtomicFileWriter::open() {
    m_target = resolveLinks(m_name);
    struct stat status {};
    const bool exists = ::stat(m_target.constData(), &status) == 0;
    if (exists && S_ISDIR(status.st_mode)) {
        m_error = systemError(EISDIR);
        return false;
    }
    if (exists && !S_ISREG(status.st_mode)) {
        // A device or pipe (/dev/stdout, a FIFO) is written to; replacing it would be wrong.
        const int fd = ::open(m_target.constData(), O_WRONLY | O_CLOEXEC);
        if (fd < 0 || !m_file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
            m_error = systemError(errno);
            if (fd >= 0)
                ::close(fd);
            return false;
        }
        return true;
    }
    QByteArray pattern = m_target + ".XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        m_error = systemError(errno);
        return false;
    }
    m_temporary = pattern;
    // The new file gets the old one's permissions, or those a new file gets here.
    mode_t mode = 0;
    if (exists) {
        mode = status.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) != 0 || !m_file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        m_error = systemError(errno);
        ::close(fd);
        return false;
    }
    return true;
}

QIODevice* AtomicFileWriter::device() {
    return &m_file;
}

bool AtomicFileWriter::commit() {
    if (!m_file.isOpen()) {
        m_error = "not open";
        return false;
    }
    QString reason;
    if (!velmora::util::FlushToDisk(m_file, &reason)) {
        m_error = reason.toLocal8Bit();
        return false;
    }
    m_file.close();
    if (m_temporary.isEmpty()) // written in place
        return true;
    if (::rename(m_temporary.constData(), m_target.constData()) != 0) {
        m_error = systemError(errno);
        return false;
    }
    m_temporary.clear();
    return true;
}

#else // other systems name files by text: the argument's bytes are in the local encoding

bool openForReading(QFile& file, const QByteArray& name, QByteArray* error) {
    file.setFileName(QFile::decodeName(name));
    if (file.open(QIODevice::ReadOnly))
        return true;
    *error = file.errorString().toLocal8Bit();
    return false;
}

AtomicFileWriter::AtomicFileWriter(QByteArray name)
    : m_name(std::move(name)), m_file(QFile::decodeName(m_name)) {}

AtomicFileWriter::~AtomicFileWriter() = default; // QSaveFile drops what was not committed

bool AtomicFileWriter::open() {
    if (m_file.open(QIODevice::WriteOnly))
        return true;
    m_error = m_file.errorString().toLocal8Bit();
    return false;
}

QIODevice* AtomicFileWriter::device() {
    return &m_file;
}

bool AtomicFileWriter::commit() {
    QString reason;
    if (velmora::util::CommitSave(m_file, &reason))
        return true;
    m_error = reason.toLocal8Bit();
    return false;
}

#endif

} // namespace velmora::ads
