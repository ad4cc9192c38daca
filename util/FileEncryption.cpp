#include "util/FileEncryption.h"

#include "crypto/AesLib.h"
#include "util/AtomicSave.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace velmora::util {
namespace {

// Lets the stream routines of the crypto layer, which know nothing of Qt, read and write a device.
class DeviceStream : public crypto::ByteStream {
public:
    explicit DeviceStream(QIODevice* device) : m_device(device) {}

    // QIODevice::read may return less than asked before the end (pipes, sockets), while the
    // stream routines take a short read as the end: keep reading until count or the real end.
    std::int64_t read(std::uint8_t* buffer, std::uint32_t count) override {
        std::int64_t total = 0;
        while (total < count) {
            const qint64 got = m_device->read(reinterpret_cast<char*>(buffer) + total, count - total);
            if (got < 0)
                return -1;
            if (got == 0) {
                if (m_device->isSequential() && !m_device->atEnd() && m_device->waitForReadyRead(30000))
                    continue;
                break;
            }
            total += got;
        }
        return total;
    }

    bool write(const std::uint8_t* buffer, std::uint32_t count) override {
        return m_device->write(reinterpret_cast<const char*>(buffer), count) == qint64{count};
    }

    std::int64_t size() override { return m_device->size(); }

private:
    QIODevice* m_device;
};

QString FullPath(const QString& fileName) {
    return QDir::toNativeSeparators(QFileInfo(fileName).absoluteFilePath());
}

void OpenSource(QFile& source) {
    if (!source.open(QIODevice::ReadOnly))
        throw FileOpenError(QStringLiteral("Cannot open file \"%1\". %2")
                                .arg(FullPath(source.fileName()), source.errorString()));
}

[[noreturn]] void ThrowCannotCreate(const QFileDevice& target, const QString& fileName) {
    throw FileCreateError(
        QStringLiteral("Cannot create file \"%1\". %2").arg(FullPath(fileName), target.errorString()));
}

} // namespace

bool EncryptDevice(QIODevice* source, QIODevice* target) {
    DeviceStream in(source);
    DeviceStream out(target);
    crypto::TEncryption encryption(SettingsPassword, SettingsChunkSize);
    return encryption.EncryptStream(in, out);
}

bool DecryptDevice(QIODevice* source, QIODevice* target, qint64 size) {
    DeviceStream in(source);
    DeviceStream out(target);
    crypto::TEncryption encryption(SettingsPassword, SettingsChunkSize);
    return encryption.DecryptStream(in, target != nullptr ? &out : nullptr, size);
}

bool DecryptFileToFile(const QString& sourceFileName, const QString& targetFileName) {
    QFile source(sourceFileName);
    OpenSource(source);
    QFile target(targetFileName);
    if (!target.open(QIODevice::WriteOnly | QIODevice::Truncate))
        ThrowCannotCreate(target, targetFileName);
    bool ok = DecryptDevice(&source, &target, source.size());
    // A write that only fails when the buffer goes to disk must not pass for success.
    if (!target.flush())
        ok = false;
    return ok;
}

bool EncryptFileToFile(const QString& sourceFileName, const QString& targetFileName, QString* reason) {
    QFile source(sourceFileName);
    OpenSource(source);
    // Written beside the target and renamed over it only when complete: a failure part way
    // must not cost the reseller the settings file.
    QSaveFile target(targetFileName);
    if (!target.open(QIODevice::WriteOnly))
        ThrowCannotCreate(target, targetFileName);
    if (!EncryptDevice(&source, &target)) {
        if (reason)
            *reason = target.error() != QFileDevice::NoError ? target.errorString() : source.errorString();
        target.cancelWriting();
        return false;
    }
    return CommitSave(target, reason);
}

} // namespace velmora::util
