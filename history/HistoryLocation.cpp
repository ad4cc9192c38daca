#include "history/HistoryLocation.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>

namespace velmora::history {

QString HistoryLocation::describe() const {
    switch (kind) {
    case Kind::SQLite:
        return QDir::toNativeSeparators(filePath);
    case Kind::PostgreSQL:
        return QStringLiteral("postgresql://%1@%2:%3/%4").arg(user, host, QString::number(port), database);
    case Kind::Invalid:
        break;
    }
    return QString();
}

HistoryLocation ParseHistoryLocation(const QString& pathOrUrl) {
    HistoryLocation location;
    const bool isUrl = pathOrUrl.startsWith(QStringLiteral("postgresql://"), Qt::CaseInsensitive) ||
                       pathOrUrl.startsWith(QStringLiteral("postgres://"), Qt::CaseInsensitive);
    if (!isUrl) {
        if (pathOrUrl.contains(QStringLiteral("://"))) {
            location.error =
                QStringLiteral("the address \"%1\" is neither a file nor a postgresql:// URL").arg(pathOrUrl);
            return location;
        }
        location.kind = HistoryLocation::Kind::SQLite;
        location.filePath = QDir::cleanPath(QDir::fromNativeSeparators(pathOrUrl));
        return location;
    }
    const QUrl url(pathOrUrl, QUrl::StrictMode);
    const QString database = url.path().mid(1);
    const QString socketFolder = QUrlQuery(url).queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded);
    if (!url.isValid() || database.isEmpty() || database.contains(u'/') ||
        (url.host().isEmpty() && socketFolder.isEmpty())) {
        location.error = QStringLiteral("the address \"%1\" is not a URL of the form "
                                        "postgresql://user@host:port/database")
                             .arg(url.isValid() ? url.toDisplayString(QUrl::RemovePassword) : pathOrUrl);
        return location;
    }
    location.kind = HistoryLocation::Kind::PostgreSQL;
    location.host = socketFolder.isEmpty() ? url.host() : socketFolder;
    location.port = url.port(5432);
    location.user = url.userName(QUrl::FullyDecoded);
    location.password = url.password(QUrl::FullyDecoded);
    location.database = database;
    return location;
}

HistoryLocation ChooseHistoryLocation(const QString& environmentValue, const QString& setting,
                                      const QString& defaultFolder) {
    if (!environmentValue.isEmpty())
        return ParseHistoryLocation(environmentValue);
    if (!setting.isEmpty())
        return ParseHistoryLocation(setting);
    return ParseHistoryLocation(QDir(defaultFolder).filePath(QString::fromLatin1(HistoryFileName)));
}

QSettings& UserSettings() {
    static QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("velmora"),
                              QStringLiteral("velmora"));
    return settings;
}

HistorySettings ReadHistorySettings() {
    QSettings& settings = UserSettings();
    HistorySettings result;
    result.enabled = settings.value(QStringLiteral("history/enabled"), true).toBool();
    result.keepPages = settings.value(QStringLiteral("history/keepPages"), false).toBool();
    result.location = settings.value(QStringLiteral("history/location")).toString();
    return result;
}

void WriteHistorySettings(const HistorySettings& settings) {
    QSettings& stored = UserSettings();
    stored.setValue(QStringLiteral("history/enabled"), settings.enabled);
    stored.setValue(QStringLiteral("history/keepPages"), settings.keepPages);
    stored.setValue(QStringLiteral("history/location"), settings.location);
    stored.sync();
}

HistoryLocation HistoryLocationInForce(const HistorySettings& settings) {
    return ChooseHistoryLocation(qEnvironmentVariable("VELMORA_HISTORY"), settings.location,
                                 QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

} // namespace velmora::history
