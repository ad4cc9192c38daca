// velmora-brand: makes and inspects the encrypted settings file "dbsettings.dat" with the
// program's built-in settings password, for resellers who brand their copy.

#include "crypto/AesLib.h"
#include "util/FileEncryption.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#include <cstdio>
#include <cstring>

namespace {

using namespace velmora;

enum ExitCode { Success = 0, CheckFailed = 1, UsageError = 2, FileFailed = 3 };

constexpr char HelpText[] =
    "Usage: velmora-brand COMMAND FILE...\n"
    "\n"
    "Makes and inspects Velmora's encrypted settings file (\"dbsettings.dat\") with the\n"
    "settings password built into the program.\n"
    "\n"
    "Commands:\n"
    "  encrypt PLAIN OUT        encrypt the settings text PLAIN into OUT; an existing OUT is\n"
    "                           replaced only once the new file is complete\n"
    "  decrypt ENCRYPTED OUT    decrypt ENCRYPTED into OUT; nothing is written unless the\n"
    "                           password check and the authentication code both pass\n"
    "  check ENCRYPTED          check that ENCRYPTED decrypts with the settings password and\n"
    "                           is intact, without writing anything\n"
    "  --help                   show this text\n"
    "\n"
    "Exit status: 0 success; 1 the password check or the authentication code failed (wrong\n"
    "password, damaged or truncated file); 2 wrong usage; 3 a file could not be read or written.\n";

constexpr char UsageLine[] =
    "usage: velmora-brand encrypt PLAIN OUT | decrypt ENCRYPTED OUT | check ENCRYPTED "
    "(--help for more)";

void PrintError(const QString& message) {
    std::fprintf(stderr, "velmora-brand: %s\n", message.toLocal8Bit().constData());
}

void PrintInfo(const QString& message) {
    std::fprintf(stdout, "%s\n", message.toLocal8Bit().constData());
}

QString Shown(const QString& fileName) {
    return QDir::toNativeSeparators(fileName);
}

enum class Verdict { Intact, TooShort, WrongPassword, Damaged };

int SettingsMode() {
    return crypto::ModeForPasswordLength(std::strlen(util::SettingsPassword));
}

// Tells a wrong password (the verifier after the salt) apart from a damaged or truncated body
// (the authentication code), so the message can say which.
Verdict Inspect(QFile& file) {
    const int mode = SettingsMode();
    const qint64 size = file.size();
    if (size < qint64{crypto::StreamOverhead(mode)})
        return Verdict::TooShort;
    const qsizetype headerLength = crypto::SaltLength(mode) + crypto::PasswordVerifierLength;
    const QByteArray header = file.read(headerLength);
    if (header.size() != headerLength)
        return Verdict::TooShort;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(header.constData());
    std::uint8_t verifier[crypto::PasswordVerifierLength];
    crypto::TCryptContext context;
    crypto::CryptInit(mode, reinterpret_cast<const std::uint8_t*>(util::SettingsPassword),
                      std::strlen(util::SettingsPassword), bytes, verifier, context);
    if (std::memcmp(verifier, bytes + crypto::SaltLength(mode), sizeof verifier) != 0)
        return Verdict::WrongPassword;
    if (!file.seek(0))
        return Verdict::Damaged;
    return util::DecryptDevice(&file, nullptr, size) ? Verdict::Intact : Verdict::Damaged;
}

QString VerdictMessage(Verdict verdict, const QString& fileName, qint64 size) {
    switch (verdict) {
    case Verdict::TooShort:
        return QStringLiteral(
                   "\"%1\" is too short to be an encrypted settings file (%2 bytes, at least %3 needed)")
            .arg(Shown(fileName))
            .arg(size)
            .arg(crypto::StreamOverhead(SettingsMode()));
    case Verdict::WrongPassword:
        return QStringLiteral("\"%1\" fails the password check: it was not made with this program's settings "
                              "password, or its first bytes are damaged")
            .arg(Shown(fileName));
    case Verdict::Damaged:
        return QStringLiteral("\"%1\" fails the authentication check: the file is damaged or truncated")
            .arg(Shown(fileName));
    case Verdict::Intact:
        break;
    }
    return {};
}

bool OpenForReading(QFile& file) {
    if (file.open(QIODevice::ReadOnly))
        return true;
    PrintError(QStringLiteral("Cannot open file \"%1\". %2")
                   .arg(Shown(QFileInfo(file.fileName()).absoluteFilePath()), file.errorString()));
    return false;
}

int Encrypt(const QString& plain, const QString& out) {
    try {
        if (!util::EncryptFileToFile(plain, out)) {
            PrintError(QStringLiteral("could not encrypt \"%1\" into \"%2\"; \"%2\" was left as it was")
                           .arg(Shown(plain), Shown(out)));
            return FileFailed;
        }
    } catch (const util::FileError& error) {
        PrintError(error.message());
        return FileFailed;
    }
    PrintInfo(QStringLiteral("encrypted \"%1\" into \"%2\"").arg(Shown(plain), Shown(out)));
    return Success;
}

int Check(const QString& encrypted) {
    QFile file(encrypted);
    if (!OpenForReading(file))
        return FileFailed;
    const Verdict verdict = Inspect(file);
    if (verdict != Verdict::Intact) {
        PrintError(VerdictMessage(verdict, encrypted, file.size()));
        return CheckFailed;
    }
    PrintInfo(QStringLiteral("\"%1\" is intact: %2 bytes of settings text")
                  .arg(Shown(encrypted))
                  .arg(file.size() - crypto::StreamOverhead(SettingsMode())));
    return Success;
}

int Decrypt(const QString& encrypted, const QString& out) {
    QFile source(encrypted);
    if (!OpenForReading(source))
        return FileFailed;
    // Checked in full before anything is written, so a failure leaves no output behind.
    const Verdict verdict = Inspect(source);
    if (verdict != Verdict::Intact) {
        PrintError(VerdictMessage(verdict, encrypted, source.size()));
        return CheckFailed;
    }
    QSaveFile target(out);
    if (!target.open(QIODevice::WriteOnly)) {
        PrintError(QStringLiteral("Cannot create file \"%1\". %2")
                       .arg(Shown(QFileInfo(out).absoluteFilePath()), target.errorString()));
        return FileFailed;
    }
    if (!source.seek(0) || !util::DecryptDevice(&source, &target, source.size())) {
        target.cancelWriting();
        PrintError(QStringLiteral("could not decrypt \"%1\" into \"%2\"").arg(Shown(encrypted), Shown(out)));
        return CheckFailed;
    }
    if (!target.commit()) {
        PrintError(QStringLiteral("could not write \"%1\": %2").arg(Shown(out), target.errorString()));
        return FileFailed;
    }
    PrintInfo(QStringLiteral("decrypted \"%1\" into \"%2\"").arg(Shown(encrypted), Shown(out)));
    return Success;
}

int Usage(const QString& problem) {
    PrintError(problem);
    std::fprintf(stderr, "%s\n", UsageLine);
    return UsageError;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments().mid(1);
    if (arguments.isEmpty())
        return Usage(QStringLiteral("no command given"));
    const QString& command = arguments.first();
    if (command == QLatin1StringView("--help") || command == QLatin1StringView("-h")) {
        std::fputs(HelpText, stdout);
        return Success;
    }
    const qsizetype files = arguments.size() - 1;
    if (command == QLatin1StringView("encrypt") && files == 2)
        return Encrypt(arguments[1], arguments[2]);
    if (command == QLatin1StringView("decrypt") && files == 2)
        return Decrypt(arguments[1], arguments[2]);
    if (command == QLatin1StringView("check") && files == 1)
        return Check(arguments[1]);
    if (command == QLatin1StringView("encrypt") || command == QLatin1StringView("decrypt") ||
        command == QLatin1StringView("check"))
        return Usage(QStringLiteral("wrong number of files for \"%1\"").arg(command));
    return Usage(QStringLiteral("unknown command \"%1\"").arg(command));
}
