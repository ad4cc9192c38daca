#include "brand/LastNewsIdStore.h"

#include "brand/FileBytes.h"
#include "brand/SettingsFile.h"
#include "brand/SettingsText.h"
#include "util/AtomicSave.h"
#include "util/FileEncryption.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace velmora::app {
namespace {

[[noreturn]] void throwNotStored(const QString& file, const QString& reason) {
    throw util::FileError(QStringLiteral("The last news item read could not be stored in \"%1\": %2.")
                              .arg(QDir::toNativeSeparators(file), reason));
}

} // namespace

LastNewsIdStore::LastNewsIdStore(QString resellerSettingsFile, QString userSettingsFile)
    : m_resellerSettingsFile(std::move(resellerSettingsFile)),
      m_userSettingsFile(std::move(userSettingsFile)) {}

QByteArray LastNewsIdStore::read() const {
    if (!m_userSettingsFile.isEmpty() && QFileInfo::exists(m_userSettingsFile)) {
        const QByteArray id = LastNewsIdOf(JoinedSettingsText(ReadFileBytes(m_userSettingsFile)));
        if (!id.isEmpty())
            return id;
    }
    return ReadLastNewsId(m_resellerSettingsFile);
}

void LastNewsIdStore::write(QByteArrayView id) const {
    if (m_userSettingsFile.isEmpty()) {
        WriteLastNewsId(m_resellerSettingsFile, id);
        return;
    }
    // The other items of the user's file stay as they are.
    QByteArray text;
    if (QFileInfo::exists(m_userSettingsFile))
        text = ReadFileBytes(m_userSettingsFile);
    const QByteArray updated = WithLastNewsId(text, id);

    const QString folder = QFileInfo(m_userSettingsFile).absolutePath();
    if (!QDir().mkpath(folder))
        throwNotStored(m_userSettingsFile, QStringLiteral("its folder cannot be made"));
    QSaveFile file(m_userSettingsFile);
    if (!file.open(QIODevice::WriteOnly))
        throwNotStored(m_userSettingsFile, file.errorString());
    QString reason;
    if (file.write(updated) != updated.size()) {
        reason = file.errorString();
        file.cancelWriting();
        throwNotStored(m_userSettingsFile, reason);
    }
    if (!util::CommitSave(file, &reason))
        throwNotStored(m_userSettingsFile, reason);
}

} // namespace velmora::app
