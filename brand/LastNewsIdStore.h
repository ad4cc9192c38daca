#pragma once

// Where the id of the last news item read is kept. In a portable folder it is an item of the
// reseller's settings file, as the program always kept it. An installed program leaves the
// reseller's file as it is and keeps the id in the user's own settings file (a plain text of
// the same items) in the user's configuration folder; until that file holds an id, the one in
// the reseller's file counts.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace velmora::app {

class LastNewsIdStore {
public:
    // userSettingsFile empty: the id lives in resellerSettingsFile.
    LastNewsIdStore(QString resellerSettingsFile, QString userSettingsFile);

    // The stored id; empty when none is stored. Throws util::FileError when a file that exists
    // cannot be read.
    QByteArray read() const;
    // Stores id. The user's file and its folder are made when missing, and the file is replaced
    // in one step. Throws util::FileError, in one sentence naming the file and the reason, when
    // it cannot be written; the reseller's file is never touched for the user's.
    void write(QByteArrayView id) const;

private:
    QString m_resellerSettingsFile;
    QString m_userSettingsFile;
};

} // namespace velmora::app
