#pragma once

// The encrypted settings file "dbsettings.dat": read and rewritten in memory only. No plain
// copy of the settings is ever written to disk. Nothing here needs the application object,
// so the settings can be read before it exists.

#include "util/FileEncryption.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QIODevice;

namespace velmora::app {

inline constexpr char SettingsFileName[] = "dbsettings.dat";

// "<dir>/dbsettings.dat"
QString SettingsFilePath(const QString& applicationDir);

enum class SettingsState {
    Absent,  // no settings file: nothing to read, the program stays unbranded
    Refused, // the password check or the authentication code failed: read as an empty text
    Read,    // decrypted and intact
};

struct SettingsText {
    SettingsState state = SettingsState::Absent;
    // The decrypted lines joined with CR LF after each; empty unless state is Read.
    QByteArray text;
    // Why a Refused file could not be read (RefusalReason); empty otherwise.
    QString refusal;
};

// Why an encrypted settings file is refused, in a few words that the window's status bar and
// the reseller's tool both give: "the file is empty", "the file is truncated (12 bytes, at least
// 20 needed)", "the password check failed (...)", "the authentication check failed (...)".
// Empty when the file decrypts and is intact.
QString RefusalReason(QByteArrayView encrypted);

// The status bar's sentence for a refused settings file:
// "The brand file "dbsettings.dat" could not be read: <reason>."
QString RefusedSettingsStatus(const QString& reason);

// The settings file could not be decrypted, or its authentication code failed, where the
// program must not go on as if it were empty (rewriting it would lose the brand).
class SettingsRefusedError : public util::FileError {
public:
    using FileError::FileError;
};

// Decrypts an encrypted settings stream of size bytes from source, in memory. A stream whose
// authentication code fails is refused like a wrong password: its garbled text is never used.
SettingsText DecryptSettings(QIODevice* source, qint64 size);

// Reads and decrypts the settings file. No file gives Absent. A file that exists but cannot
// be opened or read throws util::FileOpenError ("Cannot open file "<path>". <reason>") or
// util::FileError ("Cannot read file ...").
SettingsText ReadSettingsText(const QString& settingsFile);

// The stored last news id; empty when there is no settings file, no such item, or the file
// is refused. File errors throw as ReadSettingsText does.
QByteArray ReadLastNewsId(const QString& settingsFile);

// Stores value as the last news id (see WithLastNewsId) and re-encrypts the file. No settings
// file: nothing is written. A refused or damaged file is left exactly as it is and
// SettingsRefusedError is thrown. The file is replaced in one step once the new one is
// complete, so a failure part way leaves the old file; a failure throws util::FileError.
void WriteLastNewsId(const QString& settingsFile, QByteArrayView value);

} // namespace velmora::app
