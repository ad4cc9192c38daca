#pragma once

// Branded program folders for tests, made with the program's own encryption: the settings file
// and the branding files beside it, in a temporary folder.

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QTemporaryDir>

namespace velmora::testing {

// The settings text as "dbsettings.dat" holds it: encrypted with the built-in password.
QByteArray EncryptedSettings(const QByteArray& plain);

// The bytes with one bit of the byte at `at` flipped: a damaged copy.
QByteArray Flipped(QByteArray bytes, qsizetype at);

// What `gzip -9` writes.
QByteArray Gzip(const QByteArray& data);

// A temporary folder laid out as the program's folder.
class BrandedFolder {
public:
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }
    // Writes a file into the folder; fails the calling test when that does not work.
    void write(const QString& name, const QByteArray& bytes) const;
    // Writes "dbsettings.dat" holding the settings text plain.
    void writeSettings(const QByteArray& plain) const;
    // Every file of the folder by name with its bytes: compared before and after, it shows that
    // nothing was moved, renamed, added or rewritten.
    QMap<QString, QByteArray> contents() const;

private:
    QTemporaryDir m_dir;
};

} // namespace velmora::testing
