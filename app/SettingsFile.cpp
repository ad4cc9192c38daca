#include "app/SettingsFile.h"

#include "app/FileBytes.h"
#include "app/SettingsText.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace velmora::app {
namespace {

// The whole encrypted file is read before anything is decrypted, so that a read error is
// told apart from a refused decryption.
SettingsText DecryptBytes(QByteArray& encrypted) {
    QBuffer source(&encrypted);
    source.open(QIODevice::ReadOnly);
    return DecryptSettings(&source, encrypted.size());
}

} // namespace

QString SettingsFilePath(const QString& applicationDir) {
    return QDir(applicationDir).filePath(QLatin1StringView(SettingsFileName));
}

SettingsText DecryptSettings(QIODevice* source, qint64 size) {
    QByteArray plain;
    QBuffer target(&plain);
    target.open(QIODevice::WriteOnly);
    if (!util::DecryptDevice(source, &target, size))
        return {SettingsState::Refused, {}};
    return {SettingsState::Read, JoinedSettingsText(plain)};
}

SettingsText ReadSettingsText(const QString& settingsFile) {
    if (!QFileInfo::exists(settingsFile))
        return {};
    QByteArray encrypted = ReadFileBytes(settingsFile);
    return DecryptBytes(encrypted);
}

QByteArray ReadLastNewsId(const QString& settingsFile) {
    return LastNewsIdOf(ReadSettingsText(settingsFile).text);
}

void WriteLastNewsId(const QString& settingsFile, QByteArrayView value) {
    if (!QFileInfo::exists(settingsFile))
        return;
    QByteArray encrypted = ReadFileBytes(settingsFile);
    const SettingsText settings = DecryptBytes(encrypted);
    if (settings.state != SettingsState::Read)
        throw SettingsRefusedError(
            QStringLiteral("The settings file \"%1\" cannot be decrypted or is damaged; it was left "
                           "unchanged and the last news id was not stored.")
                .arg(QDir::toNativeSeparators(QFileInfo(settingsFile).absoluteFilePath())));

    QByteArray plain = WithLastNewsId(settings.text, value);
    QBuffer source(&plain);
    source.open(QIODevice::ReadOnly);
    QSaveFile target(settingsFile);
    if (!target.open(QIODevice::WriteOnly))
        throw util::FileCreateError(
            FileErrorMessage(QLatin1StringView("create"), settingsFile, target.errorString()));
    if (!util::EncryptDevice(&source, &target)) {
        const QString reason = target.errorString();
        target.cancelWriting();
        throw util::FileError(FileErrorMessage(QLatin1StringView("write"), settingsFile, reason));
    }
    if (!target.commit())
        throw util::FileError(
            FileErrorMessage(QLatin1StringView("write"), settingsFile, target.errorString()));
}

} // namespace velmora::app
