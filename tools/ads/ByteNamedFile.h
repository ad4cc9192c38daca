#pragma once

// Files named by the bytes of a command-line argument. On Linux a file name is bytes, not
// text: decoding it (as UTF-8 or anything else) loses the names that are not valid in that
// encoding, so these open the name exactly as given.

#include <QByteArray>
#include <QFile>

#ifndef Q_OS_UNIX
#include <QSaveFile>
#endif

namespace velmora::ads {

// Opens the named file for reading into file. False, with the reason, when it cannot be
// opened or is a directory.
bool openForReading(QFile& file, const QByteArray& name, QByteArray* error);

// Writes a file the way QSaveFile does: into a new temporary file beside it (or beside the
// file a symbolic link points to), which takes the file's place only on commit(), keeping
// an existing file's permissions. Until then the old file stays as it was; a writer
// destroyed without commit() removes its temporary file. An existing device or pipe
// (/dev/stdout) is written to directly instead of being replaced.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(QByteArray name);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Creates the temporary file. False, with errorString(), when that fails.
    bool open();
    // Where the contents go, once open() succeeded.
    QIODevice* device();
    // Writes out everything, then replaces the file. False, with errorString(), on failure.
    bool commit();
    QByteArray errorString() const { return m_error; }

private:
    QByteArray m_name;
    QByteArray m_error;
#ifdef Q_OS_UNIX
    QByteArray m_target;    // the name with symbolic links resolved
    QByteArray m_temporary; // empty once renamed into place
    QFile m_file;
#else
    QSaveFile m_file;
#endif
};

} // namespace velmora::ads
