#include "brand/SettingsFile.h"

#include "brand/FileBytes.h"
#include "brand/SettingsText.h"
#include "crypto/AesLib.h"
#include "util/AtomicSave.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cstring>

namespace velmora::app {
namespace {

int SettingsMode() {
    return crypto::ModeForPasswordLength(std::strlen(util::SettingsPassword));
}

// The whole encrypted file is read before anything is decrypted, so that a read error is
// told apart from a refused decryption.
SettingsText DecryptBytes(QByteArray& encrypted) {
    QBuffer source(&encrypted);
    source.open(QIODevice::ReadOnly);
    SettingsText settings = DecryptSettings(&source, encrypted.size());
    if (settings.state == SettingsState::Refused)
        settings.refusal = RefusalReason(encrypted);
    return settings;
}

} // namespace

QString SettingsFilePath(const QString& applicationDir) {
    return QDir(applicationDir).filePath(QLatin1StringView(SettingsFileName));
}

QString RefusalReason(QByteArrayView encrypted) {
    const int mode = SettingsMode();
    const qsizetype overhead = crypto::StreamOverhead(mode);
    if (encrypted.isEmpty())
        return QStringLiteral("the file is empty");
    if (encrypted.size() < overhead)
        return QStringLiteral("the file is truncated (%1 bytes, at least %2 needed)")
            .arg(encrypted.size())
            .arg(overhead);
    // The verifier after the salt tells a file made with another password (or another program's
    // file) apart from a damaged or cut body, which only the authentication code finds.
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(encrypted.data());
    std::uint8_t verifier[crypto::PasswordVerifierLength];
    crypto::TCryptContext context;
    crypto::CryptInit(mode, reinterpret_cast<const std::uint8_t*>(util::SettingsPassword),
                      std::strlen(util::SettingsPassword), bytes, verifier, context);
    if (std::memcmp(verifier, bytes + crypto::SaltLength(mode), sizeof verifier) != 0)
        return QStringLiteral("the password check failed (the file was made with another password, or its "
                              "first bytes are damaged)");
    QByteArray copy = encrypted.toByteArray();
    QBuffer source(&copy);
    source.open(QIODevice::ReadOnly);
    if (!util::DecryptDevice(&source, nullptr, copy.size()))
        return QStringLiteral("the authentication check failed (the file is damaged or truncated)");
    return {};
}

QString RefusedSettingsStatus(const QString& reason) {
    return QStringLiteral("The brand file \"%1\" could not be read: %2.")
        .arg(QLatin1StringView(SettingsFileName), reason);
}

SettingsText DecryptSettings(QIODevice* source, qint64 size) {
    QByteArray plain;
    QBuffer target(&plain);
    target.open(QIODevice::WriteOnly);
    if (!util::DecryptDevice(source, &target, size))
        return {SettingsState::Refused, {}, {}};
    return {SettingsState::Read, JoinedSettingsText(plain), {}};
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
    QString reason;
    if (!util::CommitSave(target, &reason))
        throw util::FileError(FileErrorMessage(QLatin1StringView("write"), settingsFile, reason));
}

} // namespace velmora::app
