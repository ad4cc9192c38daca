// velmora-brand: makes and inspects the encrypted settings file "dbsettings.dat" with the
// program's built-in settings password, for resellers who brand their copy.

#include "BrandLint.h"

#include "app/BrandPictures.h"
#include "brand/BrandLoader.h"
#include "brand/BrandTier.h"
#include "brand/FileBytes.h"
#include "brand/SettingsFile.h"
#include "brand/SkinFile.h"
#include "crypto/AesLib.h"
#include "util/AtomicSave.h"
#include "util/FileEncryption.h"
#include "util/RandomSource.h"
#include "util/UUtils.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iterator>
#include <optional>

#include <unistd.h>

namespace {

using namespace velmora;

enum ExitCode { Success = 0, CheckFailed = 1, UsageError = 2, FileFailed = 3 };

constexpr char HelpText[] =
    "Usage: velmora-brand COMMAND FILE... [OPTIONS]\n"
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
    "  lint PLAIN [--dir DIR]   check the settings text PLAIN as the program reads it. Errors\n"
    "                           are what the program would report (a banner or link item\n"
    "                           without two \"^\"-separated fields, an unknown picture\n"
    "                           extension, a missing banner file, a banner file that is not a\n"
    "                           picture of its kind, a \"main.ico\" that is not an icon);\n"
    "                           warnings are what it would silently lose (items out of the\n"
    "                           reading order, unknown tags,\n"
    "                           a gap in a numbered series, a BranderType that matches no\n"
    "                           tier, an unreadable \"mainskin.dat\"). DIR holds the files that\n"
    "                           ship beside the settings (\"banner1.dat\", ...); it defaults to\n"
    "                           PLAIN's folder\n"
    "  pack PLAIN OUT [--dir DIR] [--force]\n"
    "                           lint PLAIN, then encrypt it into OUT; refuses when lint finds\n"
    "                           an error, unless --force is given\n"
    "  show ENCRYPTED [--dir DIR]\n"
    "                           every setting as the program reads it from ENCRYPTED, every\n"
    "                           candidate of the Welcome, Banner and Link series, and which\n"
    "                           tier the news button follows; DIR defaults to ENCRYPTED's folder\n"
    "  --help                   show this text\n"
    "\n"
    "OUT may be - for standard output; the command's report then goes to standard error.\n"
    "\n"
    "Branding files beside the settings file:\n"
    "  banner1.dat ... banner16.dat  the picture of Banner1 ... Banner16, stored under this name;\n"
    "                           its kind comes from the file name in the Banner item: gif\n"
    "                           (animated), bmp, ico, jpg or jpeg (wmf and emf are not shown)\n"
    "  mainskin.dat             a Qt style sheet compressed with gzip, at most 1 MiB unpacked:\n"
    "                           gzip -9 -c skin.qss > mainskin.dat\n"
    "  main.ico                 the program's icon\n"
    "\n"
    "Exit status: 0 success, nothing found; 1 the password check or the authentication code\n"
    "failed (wrong password, damaged or truncated file), or lint or pack found something (pack\n"
    "still writes OUT when it found warnings only, or with --force); 2 wrong usage; 3 a file\n"
    "or standard output could not be read or written (a full disk leaves an old OUT as it was).\n";

constexpr char UsageLine[] =
    "usage: velmora-brand encrypt PLAIN OUT | decrypt ENCRYPTED OUT | check ENCRYPTED | "
    "lint PLAIN [--dir DIR] | pack PLAIN OUT [--dir DIR] [--force] | show ENCRYPTED [--dir DIR] "
    "(--help for more)";

void PrintError(const QString& message) {
    std::fprintf(stderr, "velmora-brand: %s\n", message.toLocal8Bit().constData());
}

int SettingsMode() {
    return crypto::ModeForPasswordLength(std::strlen(util::SettingsPassword));
}

QString Shown(const QString& fileName) {
    return QDir::toNativeSeparators(fileName);
}

// Where reports go: standard output, unless a command writes its file there ("-").
FILE* g_report = stdout;

void Report(const QString& message) {
    std::fprintf(g_report, "%s\n", message.toLocal8Bit().constData());
}

bool IsStandardOutput(const QString& fileName) {
    return fileName == QLatin1StringView("-");
}

QString OutputName(const QString& fileName) {
    return IsStandardOutput(fileName) ? QStringLiteral("standard output")
                                      : QStringLiteral("\"%1\"").arg(Shown(fileName));
}

// Writes into standard output what write() puts on the device. False, with the reason.
bool WriteStandardOutput(const std::function<bool(QIODevice*)>& write, QString* reason) {
    std::fflush(stdout);
    QFile out;
    if (!out.open(STDOUT_FILENO, QIODevice::WriteOnly, QFileDevice::DontCloseHandle)) {
        *reason = out.errorString();
        return false;
    }
    if (!write(&out)) {
        *reason = out.errorString();
        return false;
    }
    return util::FlushToDisk(out, reason);
}

bool OpenForReading(QFile& file) {
    if (file.open(QIODevice::ReadOnly))
        return true;
    PrintError(QStringLiteral("Cannot open file \"%1\". %2")
                   .arg(Shown(QFileInfo(file.fileName()).absoluteFilePath()), file.errorString()));
    return false;
}

// The whole encrypted file, or nothing after printing why it cannot be read.
std::optional<QByteArray> ReadEncrypted(const QString& encrypted) {
    try {
        if (!QFileInfo::exists(encrypted)) {
            PrintError(QStringLiteral("Cannot open file \"%1\". No such file")
                           .arg(Shown(QFileInfo(encrypted).absoluteFilePath())));
            return std::nullopt;
        }
        return app::ReadFileBytes(encrypted);
    } catch (const util::FileError& error) {
        PrintError(error.message());
        return std::nullopt;
    }
}

// The program's own reason, so the tool and the window's status bar say the same.
QString RefusedMessage(const QString& fileName, const QString& reason) {
    return QStringLiteral("\"%1\" could not be read: %2").arg(Shown(fileName), reason);
}

int Encrypt(const QString& plain, const QString& out) {
    QString reason;
    try {
        bool written = false;
        if (IsStandardOutput(out)) {
            QFile source(plain);
            if (!OpenForReading(source))
                return FileFailed;
            written = WriteStandardOutput(
                [&](QIODevice* target) { return util::EncryptDevice(&source, target); }, &reason);
        } else {
            written = util::EncryptFileToFile(plain, out, &reason);
        }
        if (!written) {
            PrintError(
                IsStandardOutput(out)
                    ? QStringLiteral("could not encrypt \"%1\" into standard output: %2")
                          .arg(Shown(plain), reason)
                    : QStringLiteral("could not encrypt \"%1\" into \"%2\": %3; \"%2\" was left as it was")
                          .arg(Shown(plain), Shown(out), reason));
            return FileFailed;
        }
    } catch (const util::FileError& error) {
        PrintError(error.message());
        return FileFailed;
    }
    Report(QStringLiteral("encrypted \"%1\" into %2").arg(Shown(plain), OutputName(out)));
    return Success;
}

int Check(const QString& encrypted) {
    const std::optional<QByteArray> bytes = ReadEncrypted(encrypted);
    if (!bytes)
        return FileFailed;
    const QString refusal = app::RefusalReason(*bytes);
    if (!refusal.isEmpty()) {
        PrintError(RefusedMessage(encrypted, refusal));
        return CheckFailed;
    }
    // The text as stored; "show" counts it as the program reads it, its lines ended with CR LF.
    Report(QStringLiteral("\"%1\" is intact: %2 bytes of settings text as stored, in a file of %3 bytes")
               .arg(Shown(encrypted))
               .arg(bytes->size() - crypto::StreamOverhead(SettingsMode()))
               .arg(bytes->size()));
    return Success;
}

int Decrypt(const QString& encrypted, const QString& out) {
    std::optional<QByteArray> bytes = ReadEncrypted(encrypted);
    if (!bytes)
        return FileFailed;
    // Checked in full before anything is written, so a failure leaves no output behind.
    const QString refusal = app::RefusalReason(*bytes);
    if (!refusal.isEmpty()) {
        PrintError(RefusedMessage(encrypted, refusal));
        return CheckFailed;
    }
    QBuffer source(&*bytes);
    source.open(QIODevice::ReadOnly);
    const auto decrypt = [&](QIODevice* target) {
        return util::DecryptDevice(&source, target, source.size());
    };
    QString reason;
    if (IsStandardOutput(out)) {
        if (!WriteStandardOutput(decrypt, &reason)) {
            PrintError(QStringLiteral("could not write to standard output: %1").arg(reason));
            return FileFailed;
        }
    } else {
        QSaveFile target(out);
        if (!target.open(QIODevice::WriteOnly)) {
            PrintError(QStringLiteral("Cannot create file \"%1\". %2")
                           .arg(Shown(QFileInfo(out).absoluteFilePath()), target.errorString()));
            return FileFailed;
        }
        if (!decrypt(&target)) {
            reason = target.errorString();
            target.cancelWriting();
            PrintError(
                QStringLiteral("could not write \"%1\": %2; it was left as it was").arg(Shown(out), reason));
            return FileFailed;
        }
        if (!util::CommitSave(target, &reason)) {
            PrintError(
                QStringLiteral("could not write \"%1\": %2; it was left as it was").arg(Shown(out), reason));
            return FileFailed;
        }
    }
    Report(QStringLiteral("decrypted \"%1\" into %2").arg(Shown(encrypted), OutputName(out)));
    return Success;
}

QString FolderOf(const QString& file, const QString& dir) {
    return dir.isEmpty() ? QFileInfo(file).absolutePath() : dir;
}

// Lint of the plain text and of the skin file in the folder; prints every finding.
QList<brand::Finding> LintFiles(const QString& plain, const QString& folder) {
    const QByteArray text = app::ReadFileBytes(plain);
    const QDir dir(folder);
    // The banner and icon files are read with the window's own code, so lint reports what a
    // start would.
    const brand::PictureProblem pictureProblem = [&dir](const QString& fileName, const QByteArray& format) {
        return app::ReadBannerPicture(dir.filePath(fileName), format).problem;
    };
    QList<brand::Finding> findings =
        brand::LintSettings(text, app::FilesIn(folder), Shown(folder), pictureProblem);
    const QString icon = dir.filePath(QLatin1StringView(app::IconFileName));
    if (QFileInfo(icon).isFile()) {
        if (const QString problem = app::IconFileProblem(icon); !problem.isEmpty())
            findings.append({brand::Finding::Severity::Error, 0, problem});
    }
    QString problem;
    const QString skin = QDir(folder).filePath(QLatin1StringView(app::SkinFileName));
    if (QFileInfo::exists(skin) && !app::ReadSkinFile(skin, &problem))
        findings.append({brand::Finding::Severity::Warning, 0,
                         QStringLiteral("\"%1\" holds no readable skin (%2): the stored skin stays")
                             .arg(Shown(skin), problem)});
    for (const brand::Finding& finding : findings) {
        const QString where =
            finding.line > 0 ? QStringLiteral("%1:%2").arg(Shown(plain)).arg(finding.line) : Shown(plain);
        std::fprintf(g_report, "%s: %s: %s\n", where.toLocal8Bit().constData(),
                     finding.isError() ? "error" : "warning", finding.message.toLocal8Bit().constData());
    }
    return findings;
}

QString Summary(const QList<brand::Finding>& findings) {
    const qsizetype errors = brand::ErrorCount(findings);
    return QStringLiteral("%1 error(s), %2 warning(s)").arg(errors).arg(findings.size() - errors);
}

int Lint(const QString& plain, const QString& dir) {
    try {
        const QList<brand::Finding> findings = LintFiles(plain, FolderOf(plain, dir));
        Report(QStringLiteral("\"%1\": %2").arg(Shown(plain), Summary(findings)));
        return findings.isEmpty() ? Success : CheckFailed;
    } catch (const util::FileError& error) {
        PrintError(error.message());
        return FileFailed;
    }
}

int Pack(const QString& plain, const QString& out, const QString& dir, bool force) {
    QList<brand::Finding> findings;
    try {
        findings = LintFiles(plain, FolderOf(plain, dir));
    } catch (const util::FileError& error) {
        PrintError(error.message());
        return FileFailed;
    }
    if (brand::ErrorCount(findings) > 0 && !force) {
        PrintError(QStringLiteral("\"%1\" was not packed: %2 (--force packs it all the same)")
                       .arg(Shown(plain), Summary(findings)));
        return CheckFailed;
    }
    const int encrypted = Encrypt(plain, out);
    if (encrypted != Success)
        return encrypted;
    return findings.isEmpty() ? Success : CheckFailed;
}

// A settings value on one line: control bytes, quotes and backslashes escaped, other bytes as
// they stand.
QByteArray Quoted(QByteArrayView value) {
    QByteArray quoted("\"");
    for (char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\')
            quoted.append('\\').append(c);
        else if (c == '\r')
            quoted.append("\\r");
        else if (c == '\n')
            quoted.append("\\n");
        else if (c == '\t')
            quoted.append("\\t");
        else if (byte < 0x20 || byte == 0x7f)
            quoted.append("\\x").append(QByteArray::number(byte, 16).rightJustified(2, '0'));
        else
            quoted.append(c);
    }
    return quoted.append('"');
}

void PrintLine(QByteArrayView label, QByteArrayView value) {
    const QByteArray line = "  " + label.toByteArray().leftJustified(22) + " " + value.toByteArray() + "\n";
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stdout);
}

QByteArray PictureDescription(QByteArrayView image) {
    switch (app::PictureKindOf(image)) {
    case app::BannerPicture::Animated:
        return "animated GIF";
    case app::BannerPicture::Still:
        return "still picture";
    case app::BannerPicture::Metafile:
        return "metafile, not shown: the banner is hidden";
    default:
        return "unknown picture file extension";
    }
}

void ShowSeries(QByteArrayView prefix, const QList<QByteArray>& items, bool twoFields) {
    std::fprintf(stdout, "%s candidates: %d\n", prefix.toByteArray().constData(), int(items.size()));
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QByteArray label = prefix.toByteArray() + QByteArray::number(i + 1);
        if (!twoFields) {
            PrintLine(label, Quoted(items[i]));
            continue;
        }
        QList<QByteArray> fields;
        util::SplitAtChar('^', items[i], fields);
        QByteArray line = Quoted(fields.value(0)) + " -> " +
                          (fields.size() < 2 ? QByteArray("(no second field: List index out of bounds (1))")
                                             : Quoted(fields[1]));
        if (prefix == app::SeriesTags[1])
            line += "  [" +
                    (fields.value(0).isEmpty() ? QByteArray("no picture: the banner is hidden")
                                               : PictureDescription(fields[0])) +
                    "]";
        PrintLine(label, line);
    }
}

QByteArray NewsButtonDescription(const app::BrandSettings& s) {
    const app::BrandTier tier = app::TierOf(s.BranderType);
    if (tier == app::BrandTier::None)
        return "hidden: BranderType " + Quoted(s.BranderType) + " matches no tier";
    const QByteArray row = app::TierName(app::NewsButtonTier(s)).toByteArray();
    const QByteArray follows = "follows the " + row + " tier (" + row + "PublID, " + row + "NewsBaseURL)";
    return (app::NewsButtonVisible(s) ? "visible: " : "hidden: ") + follows;
}

int Show(const QString& encrypted, const QString& dir) {
    app::SettingsText settings;
    try {
        settings = app::ReadSettingsText(encrypted);
    } catch (const util::FileError& error) {
        PrintError(error.message());
        return FileFailed;
    }
    if (settings.state == app::SettingsState::Absent) {
        PrintError(QStringLiteral("Cannot open file \"%1\". No such file")
                       .arg(Shown(QFileInfo(encrypted).absoluteFilePath())));
        return FileFailed;
    }
    if (settings.state == app::SettingsState::Refused) {
        PrintError(RefusedMessage(encrypted, settings.refusal) +
                   QStringLiteral("; the program reads it as if every setting were empty"));
        return CheckFailed;
    }

    const app::BrandItems items = app::ReadBrandItems(settings.text);
    const app::BrandLoad load =
        app::DecideBrand(items, util::SystemRandom(), app::FilesIn(FolderOf(encrypted, dir)));
    const app::BrandSettings& s = load.settings;
    // The text as the program reads it; "check" counts it as stored in the file.
    Report(QStringLiteral("\"%1\": %2 bytes of settings text as the program reads it (every line ended with "
                          "CR LF). Settings as one start of the program reads them (the random picks differ "
                          "from start to start):")
               .arg(Shown(encrypted))
               .arg(settings.text.size()));
    const std::pair<QByteArrayView, const QByteArray*> fields[] = {
        {"MasterNewsBaseURL", &s.MasterNewsBaseURL},
        {"PlatinumNewsBaseURL", &s.PlatinumNewsBaseURL},
        {"GoldNewsBaseURL", &s.GoldNewsBaseURL},
        {"MasterPublID", &s.MasterPublID},
        {"PlatinumPublID", &s.PlatinumPublID},
        {"GoldPublID", &s.GoldPublID},
        {"BranderType", &s.BranderType},
        {"ApplicationName", &s.ApplicationName},
        {"BranderCode", &s.BranderCode},
        {"AffiliateID", &s.AffiliateID},
        {"AffiliateURL", &s.AffiliateURL},
        {"AffiliateTYPE", &s.AffiliateTYPE},
        {"AppHelpURL", &s.AppHelpURL},
        {"CopyrightYears", &s.CopyrightYears},
        {"CopyrightCompany", &s.CopyrightCompany},
        {"AboutText", &s.AboutText},
        {"WelcomeText", &s.WelcomeText},
        {"BannerURL", &s.BannerURL},
        {"BannerImage", &s.BannerImage},
        {"Link1URL", &s.Link1URL},
        {"Link2URL", &s.Link2URL},
        {"Link1Text", &s.Link1Text},
        {"Link2Text", &s.Link2Text},
        {"IconFile", &s.IconFile},
    };
    for (const auto& [name, value] : fields)
        PrintLine(name, Quoted(*value));
    std::fputs("Main window:\n", stdout);
    PrintLine("caption", Quoted(load.caption));
    PrintLine("Make Money button", Quoted(load.makeMoneyCaption));
    PrintLine("news button", NewsButtonDescription(s));
    const std::optional<news::NewsAccount> news = app::NewsAccountFor(s);
    PrintLine("news requests", news ? "publisher id " + Quoted(news->PublisherId) + ", product type " +
                                          news->ProductType + ", product code " + Quoted(news->ProductCode)
                                    : QByteArray("none are sent"));
    for (const QString& error : load.errors())
        PrintLine("load error", error.toLocal8Bit() + " (this start's picks)");
    ShowSeries(app::SeriesTags[0], items.welcome, false);
    ShowSeries(app::SeriesTags[1], items.banners, true);
    ShowSeries(app::SeriesTags[2], items.links, true);
    return Success;
}

int Usage(const QString& problem) {
    PrintError(problem);
    std::fprintf(stderr, "%s\n", UsageLine);
    return UsageError;
}

// Standard output is checked once everything is written to it: a report that did not reach its
// reader (a full disk, /dev/full) must not pass for success.
int Finished(int exitCode) {
    errno = 0;
    const int flushed = std::fflush(stdout);
    const int error = errno;
    if (flushed == 0 && !std::ferror(stdout))
        return exitCode;
    PrintError(QStringLiteral("cannot write to standard output: %1")
                   .arg(error != 0 ? QString::fromLocal8Bit(std::strerror(error))
                                   : QStringLiteral("not all of the output could be written")));
    return FileFailed;
}

int Run(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments().mid(1);
    if (arguments.isEmpty())
        return Usage(QStringLiteral("no command given"));
    const QString& command = arguments.first();
    if (command == QLatin1StringView("--help") || command == QLatin1StringView("-h")) {
        std::fputs(HelpText, stdout);
        return Success;
    }
    // Files and the options their command allows, in any order after the command.
    QStringList files;
    QString dir;
    bool force = false;
    const bool takesDir = command == QLatin1StringView("lint") || command == QLatin1StringView("pack") ||
                          command == QLatin1StringView("show");
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (takesDir && argument == QLatin1StringView("--dir")) {
            if (++i == arguments.size())
                return Usage(QStringLiteral("--dir needs a folder"));
            dir = arguments[i];
        } else if (command == QLatin1StringView("pack") && argument == QLatin1StringView("--force")) {
            force = true;
        } else if (argument.startsWith(QLatin1StringView("--"))) {
            return Usage(QStringLiteral("unknown option \"%1\" for \"%2\"").arg(argument, command));
        } else {
            files.append(argument);
        }
    }
    const struct {
        const char* name;
        qsizetype files;
    } commands[] = {{"encrypt", 2}, {"decrypt", 2}, {"check", 1}, {"lint", 1}, {"pack", 2}, {"show", 1}};
    const auto known = std::find_if(std::begin(commands), std::end(commands),
                                    [&](const auto& c) { return command == QLatin1StringView(c.name); });
    if (known == std::end(commands))
        return Usage(QStringLiteral("unknown command \"%1\"").arg(command));
    if (files.size() != known->files)
        return Usage(QStringLiteral("wrong number of files for \"%1\"").arg(command));
    // A command that writes its file to standard output reports on standard error.
    if (std::any_of(files.begin() + 1, files.end(), IsStandardOutput))
        g_report = stderr;
    if (command == QLatin1StringView("encrypt"))
        return Encrypt(files[0], files[1]);
    if (command == QLatin1StringView("decrypt"))
        return Decrypt(files[0], files[1]);
    if (command == QLatin1StringView("check"))
        return Check(files[0]);
    if (command == QLatin1StringView("lint"))
        return Lint(files[0], dir);
    if (command == QLatin1StringView("pack"))
        return Pack(files[0], files[1], dir, force);
    return Show(files[0], dir);
}

} // namespace

int main(int argc, char* argv[]) {
    return Finished(Run(argc, argv));
}
