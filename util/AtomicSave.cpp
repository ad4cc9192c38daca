#include "util/AtomicSave.h"

#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>

#include <unistd.h>
#endif

namespace velmora::util {
namespace {

bool Fail(QString* reason, const QString& text) {
    if (reason)
        *reason = text.isEmpty() ? QStringLiteral("Not all of the data could be written.") : text;
    return false;
}

} // namespace

bool FlushToDisk(QFileDevice& file, QString* reason) {
    if (!file.isOpen())
        return Fail(reason, QStringLiteral("The file is not open."));
    if (file.error() != QFileDevice::NoError || !file.flush())
        return Fail(reason, file.errorString());
#ifdef Q_OS_UNIX
    // A device or pipe cannot be synced; that is no failure of the data written to it.
    if (::fsync(file.handle()) != 0 && errno != EINVAL && errno != EROFS)
        return Fail(reason, QString::fromLocal8Bit(std::strerror(errno)));
#endif
    return true;
}

bool CommitSave(QSaveFile& file, QString* reason) {
    if (!FlushToDisk(file, reason)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        return Fail(reason, file.errorString());
    return true;
}

} // namespace velmora::util
