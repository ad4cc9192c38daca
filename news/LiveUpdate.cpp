#include "news/LiveUpdate.h"

#include "html/AsciiCase.h"

#include "news/NewsClient.h"

#include <QDir>
#include <QFile>

#include <ini.h>

#include <charconv>
#include <cmath>
#include <cstring>

namespace velmora::news {
namespace {

bool isLineEnd(char c) {
    return c == '\n' || c == '\r';
}

bool isInlineBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

using ascii::equalsIgnoringCase;

QByteArrayView trimmedBlanks(QByteArrayView text) {
    while (!text.isEmpty() && isInlineBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isInlineBlank(text.back()))
        text.chop(1);
    return text;
}

// Hands the parser one line at a time, the way a Windows profile reader sees lines: any of
// CR, LF and CR LF ends a line, leading blanks are dropped (so an indented key is a key, not
// the continuation of the one before), and a line longer than the parser's buffer is cut
// there, its rest skipped rather than read as a line of its own.
struct LineSource {
    QByteArrayView text;
    qsizetype pos = 0;

    static char* read(char* buffer, int size, void* stream) {
        auto* source = static_cast<LineSource*>(stream);
        const QByteArrayView text = source->text;
        qsizetype& pos = source->pos;
        if (pos >= text.size() || size < 1)
            return nullptr;
        while (pos < text.size() && isInlineBlank(text[pos]))
            ++pos;
        int length = 0;
        while (pos < text.size() && !isLineEnd(text[pos])) {
            if (length < size - 1)
                buffer[length++] = text[pos];
            ++pos;
        }
        if (pos < text.size() && text[pos] == '\r')
            ++pos;
        if (pos < text.size() && text[pos] == '\n')
            ++pos;
        buffer[length] = '\0';
        return buffer;
    }
};

struct InfoCollector {
    UpdateInfo info;
    bool haveName = false;
    bool haveVersion = false;

    static int take(void* user, const char* section, const char* name, const char* value) {
        auto* self = static_cast<InfoCollector*>(user);
        if (!equalsIgnoringCase(trimmedBlanks(section), "APPLICATION"))
            return 1;
        QByteArrayView v(value, qsizetype(std::strlen(value)));
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.sliced(1, v.size() - 2);
        if (!self->haveName && equalsIgnoringCase(name, "Name")) {
            self->haveName = true;
            self->info.Name = v.toByteArray();
        } else if (!self->haveVersion && equalsIgnoringCase(name, "Version")) {
            self->haveVersion = true;
            self->info.Version = v.toByteArray();
        }
        return 1;
    }
};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

qsizetype skipDigits(QByteArrayView text, qsizetype pos) {
    while (pos < text.size() && isDigit(text[pos]))
        ++pos;
    return pos;
}

// Length of a decimal number at the start of text: [sign] digits [. digits] [exponent],
// with at least one digit before the exponent; 0 when there is none.
qsizetype decimalNumberLength(QByteArrayView text) {
    qsizetype pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        ++pos;
    const qsizetype intStart = pos;
    pos = skipDigits(text, pos);
    qsizetype digits = pos - intStart;
    if (pos < text.size() && text[pos] == '.') {
        const qsizetype fracStart = ++pos;
        pos = skipDigits(text, pos);
        digits += pos - fracStart;
    }
    if (digits == 0)
        return 0;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        qsizetype exp = pos + 1;
        if (exp < text.size() && (text[exp] == '+' || text[exp] == '-'))
            ++exp;
        const qsizetype expDigitsEnd = skipDigits(text, exp);
        if (expDigitsEnd == exp)
            return 0;
        pos = expDigitsEnd;
    }
    return pos;
}

} // namespace

UpdateInfo ReadUpdateInfo(QByteArrayView iniText) {
    LineSource source{iniText};
    InfoCollector collector;
    ini_parse_stream(&LineSource::read, &source, &InfoCollector::take, &collector);
    return collector.info;
}

float ReadVersionNumber(QByteArrayView text) {
    text = trimmedBlanks(text);
    const qsizetype length = decimalNumberLength(text);
    if (length == 0 || length != text.size())
        return 0;
    // from_chars takes no plus sign; it rounds once, straight to single precision.
    if (text.front() == '+')
        text = text.sliced(1);
    float value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return 0;
    return value;
}

bool IsNewerVersion(QByteArrayView serverVersion, QByteArrayView appVersion) {
    return ReadVersionNumber(serverVersion) > ReadVersionNumber(appVersion);
}

QString NewUpdateQuestion(const QString& versionText) {
    return QStringLiteral("There is a new update: (version ") + versionText +
           QStringLiteral(") available for your application!. Do you want download this update now?");
}

QString UpdaterMissingWarning() {
    return QStringLiteral("The updater module is missing. Please reinstall again the current version!");
}

QString UpdateClosesQuestion() {
    return QStringLiteral("To update your software the application will close to\n\rreplace some files. "
                          "Do you want to update now?");
}

QString NoNewUpdatesMessage() {
    return QStringLiteral("There's no new updates for this application!");
}

QString UpdaterNotStartedWarning(const QString& reason) {
    return QStringLiteral("The updater module could not be started: %1\nThe application stays open.")
        .arg(reason);
}

QString UpdateCheckFailedMessage(const UpdateOffer& offer) {
    if (offer.tooLarge)
        return QStringLiteral("The update server's information file is too large (over %1 MiB); it was "
                              "not read and the check for updates stopped.")
            .arg(MaxUpdateInfoBytes / (1024 * 1024));
    if (offer.timedOut)
        return QStringLiteral("The update server did not answer for %1 seconds. Try again later.")
            .arg(std::chrono::duration_cast<std::chrono::seconds>(RequestIdleTimeout).count());
    if (offer.httpStatus != 0)
        return QStringLiteral("The check for updates failed: the update server answered with status %1.")
            .arg(offer.httpStatus);
    return QStringLiteral("The check for updates failed: %1.").arg(offer.downloadError);
}

QString CheckingForUpdatesStatus() {
    return QStringLiteral("Checking for updates...");
}

QByteArray UpdateInfoUrl(QByteArrayView updateBaseURL) {
    return updateBaseURL.toByteArray().append(UpdateInfoFileName);
}

QString UpdateInfoPath(const QString& applicationDir) {
    return QDir(applicationDir).filePath(QString::fromLatin1(UpdateInfoFileName));
}

QString UpdaterPath(const QString& applicationDir) {
    return QDir(applicationDir).filePath(QString::fromLatin1(UpdaterFileName));
}

DetachedCommand UpdaterCommand(const QString& applicationDir, QByteArrayView updateBaseURL,
                               QByteArrayView appVersion) {
    return {UpdaterPath(applicationDir),
            {QString::fromLatin1(updateBaseURL), QString::fromLatin1(appVersion), QStringLiteral("A")}};
}

void FetchUpdateOffer(NewsClient& client, QByteArrayView updateBaseURL, const QString& applicationDir,
                      QByteArrayView appVersion, const QObject* context,
                      std::function<void(const UpdateOffer&)> handler) {
    const QString path = UpdateInfoPath(applicationDir);
    auto read = [path, appVersion = appVersion.toByteArray(),
                 handler = std::move(handler)](const DownloadResult& d) {
        UpdateOffer offer;
        offer.aborted = d.aborted;
        offer.failed = !d.ok && !d.aborted;
        offer.timedOut = d.timedOut;
        offer.tooLarge = d.tooLarge;
        offer.httpStatus = d.ok ? 0 : d.httpStatus;
        offer.downloadError = d.error;
        QFile file(path);
        if (d.ok && file.open(QIODevice::ReadOnly)) {
            const UpdateInfo info = ReadUpdateInfo(file.read(MaxUpdateInfoBytes));
            offer.versionText = info.Version;
            offer.newer = IsNewerVersion(info.Version, appVersion);
        }
        handler(offer);
    };
    client.DownloadToFile(UpdateInfoUrl(updateBaseURL), path, MaxUpdateInfoBytes, context, std::move(read));
}

} // namespace velmora::news
