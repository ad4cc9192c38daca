#pragma once

// The live-update check without its dialogs: the update server's information file, the
// version comparison, the texts the user is asked, and the updater's command line.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <functional>

class QObject;

namespace velmora::news {

class NewsClient;

// The file the update server publishes under its base URL, and the name it is stored under
// in the program's folder.
inline constexpr QByteArrayView UpdateInfoFileName = "mainappupdate.inf";
// The updater program beside the executable.
inline constexpr QByteArrayView UpdaterFileName = "Updater.exe";

// What the information file says, each value as written (empty when missing).
struct UpdateInfo {
    QByteArray Name;
    QByteArray Version;
};

// Reads "Name" and "Version" of section "APPLICATION" from INI text. Section and key names
// match without regard to ASCII case; the first value of a key counts; a value enclosed in
// a pair of quotes loses them.
UpdateInfo ReadUpdateInfo(QByteArrayView iniText);

// A version as a single-precision number: optional blanks and sign, decimal digits with an
// optional point and fraction, an optional exponent. Anything else, and a number beyond
// single precision's range, reads as 0.
float ReadVersionNumber(QByteArrayView text);

// Whether the server's version (as written in the file) is higher than the program's.
bool IsNewerVersion(QByteArrayView serverVersion, QByteArrayView appVersion);

// The dialogs of the check. The question about closing has its line feed before the
// carriage return, as the program always showed it.
QString NewUpdateQuestion(const QString& versionText);
QString UpdaterMissingWarning();
QString UpdateClosesQuestion();
QString NoNewUpdatesMessage();
// The updater did not start; the program stays open. reason: what the system said.
QString UpdaterNotStartedWarning(const QString& reason);

// Where the information file is fetched from and stored, and where the updater lies.
QByteArray UpdateInfoUrl(QByteArrayView updateBaseURL);
QString UpdateInfoPath(const QString& applicationDir);
QString UpdaterPath(const QString& applicationDir);

// A program to start detached, without a shell, each argument passed as one.
struct DetachedCommand {
    QString program;
    QList<QString> arguments;
};

// The updater beside the executable with the update server's base URL, the program's own
// version and "A".
DetachedCommand UpdaterCommand(const QString& applicationDir, QByteArrayView updateBaseURL,
                               QByteArrayView appVersion);

// The most of the information file that is fetched and read.
inline constexpr qint64 MaxUpdateInfoBytes = 1024 * 1024;

// What the server's information file offers.
struct UpdateOffer {
    bool newer = false;     // a higher version than the program's is published
    bool aborted = false;   // the client was stopped before the file arrived
    bool failed = false;    // the file could not be fetched: see the fields below
    bool timedOut = false;  // the server sent nothing for the client's idle time-out
    bool tooLarge = false;  // the file is longer than MaxUpdateInfoBytes
    int httpStatus = 0;     // the server's status, when it answered with one
    QByteArray versionText; // "Version" as read from the file
    QString downloadError;  // why the file could not be fetched, when it could not
};

// What the user is told when the check could not fetch the information file.
QString UpdateCheckFailedMessage(const UpdateOffer& offer);
// The status text while a check the user asked for runs.
QString CheckingForUpdatesStatus();

// Downloads the information file into the program's folder through the client, reads it and
// compares its version with appVersion. The file replaces an older copy only once it is
// complete and no longer than MaxUpdateInfoBytes. A download that fails for any reason, a
// folder without write access included, offers nothing new and sets failed.
void FetchUpdateOffer(NewsClient& client, QByteArrayView updateBaseURL, const QString& applicationDir,
                      QByteArrayView appVersion, const QObject* context,
                      std::function<void(const UpdateOffer&)> handler);

} // namespace velmora::news
