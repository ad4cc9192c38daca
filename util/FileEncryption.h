#pragma once

// Whole-file encryption of the settings file with the one built-in settings password.
// The file routines are thin wrappers over the device routines, which tests drive with
// QBuffer and with devices that fail part way.

#include <QIODevice>
#include <QString>

#include <stdexcept>

namespace velmora::util {

// The password of "dbsettings.dat" (ten bytes, so the stream uses AES-128).
inline constexpr char SettingsPassword[] = "pzqvmtrwxk";
// Chunk size of the file routines; a settings file fits in one chunk.
inline constexpr quint32 SettingsChunkSize = 262144;

// A file that could not be opened or created. what() holds the message in UTF-8.
class FileError : public std::runtime_error {
public:
    explicit FileError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    QString message() const { return m_message; }

private:
    QString m_message;
};

// "Cannot open file "<full path>". <reason>"
class FileOpenError : public FileError {
public:
    using FileError::FileError;
};

// "Cannot create file "<full path>". <reason>"
class FileCreateError : public FileError {
public:
    using FileError::FileError;
};

// Encrypts source from its position to its end into target at its position.
// False when a read or write fails; whatever was written stays.
bool EncryptDevice(QIODevice* source, QIODevice* target);

// Decrypts an encrypted stream of size bytes from source into target, or only checks it when
// target is null. False when the password check or the authentication code fails, the source
// ends early, or a read or write fails. A refused password check writes nothing; a damaged
// text is written in full before its code is found wrong.
bool DecryptDevice(QIODevice* source, QIODevice* target, qint64 size);

// Decrypts the whole source file into the target file, which is created or truncated first.
// Throws FileOpenError when the source cannot be opened (and creates no target), FileCreateError
// when the target cannot be created. Returns the decryption's result: false leaves an empty
// target after a refused password check and the garbled text after a failed code check.
bool DecryptFileToFile(const QString& sourceFileName, const QString& targetFileName);

// Encrypts the whole source file into the target file. The target is replaced only when the
// whole stream has been written: on any failure the old target stays as it was and no partial
// file remains (a full disk included). Throws FileOpenError / FileCreateError as DecryptFileToFile
// does. A false result puts the system's reason into *reason when given.
bool EncryptFileToFile(const QString& sourceFileName, const QString& targetFileName,
                       QString* reason = nullptr);

} // namespace velmora::util
