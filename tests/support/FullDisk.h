#pragma once

// A real full disk for tests: a small tmpfs mounted on a temporary folder. The mount is made in
// a mount namespace of the calling thread's own (programs it starts inherit it), so nothing
// outside the test sees it and it goes when the test ends. Mounting needs root and a system
// that allows mount namespaces; elsewhere unavailable() says why, for QSKIP.

#include <QString>
#include <QTemporaryDir>

namespace velmora::testing {

class FullDisk {
public:
    explicit FullDisk(qint64 bytes = 16 * 1024);
    ~FullDisk(); // not copyable: QTemporaryDir is not

    // Empty when the file system is mounted; otherwise why it is not.
    QString unavailable() const { return m_unavailable; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

    // Takes every byte left with a file of its own, so the next write of data fails with
    // "No space left on device" (creating an empty file still works). False when it cannot.
    bool fill();

private:
    QTemporaryDir m_dir;
    QString m_unavailable;
    bool m_mounted = false;
};

} // namespace velmora::testing

// Skips the calling test, saying why, where a full disk cannot be made here.
#define VELMORA_REQUIRE_FULL_DISK(disk)                                                                      \
    do {                                                                                                     \
        if (!(disk).unavailable().isEmpty())                                                                 \
            QSKIP(qPrintable(QStringLiteral("no small file system to fill: ") + (disk).unavailable()));      \
        QVERIFY((disk).fill());                                                                              \
    } while (false)
