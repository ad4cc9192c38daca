#include "PostgresServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <unistd.h>
#ifdef Q_OS_UNIX
#include <pwd.h>
#endif

namespace velmora::testing {

namespace {

#ifdef Q_OS_UNIX
// Gives the folder and everything in it to the user.
bool ChownTree(const QString& path, uid_t uid, gid_t gid) {
    if (::chown(QFile::encodeName(path).constData(), uid, gid) != 0)
        return false;
    QDir dir(path);
    for (const QFileInfo& entry : dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        if (!(entry.isDir() ? ChownTree(entry.filePath(), uid, gid)
                            : ::chown(QFile::encodeName(entry.filePath()).constData(), uid, gid) == 0))
            return false;
    return true;
}
#endif

} // namespace

PostgresServer::PostgresServer(const QString& binDir) : m_binDir(binDir) {
    if (!m_dir.isValid()) {
        m_unavailable = QStringLiteral("no temporary folder");
        return;
    }
    if (!QFile::exists(QDir(binDir).filePath(QStringLiteral("pg_ctl")))) {
        m_unavailable = QStringLiteral("no pg_ctl in %1").arg(binDir);
        return;
    }
#ifdef Q_OS_UNIX
    if (::geteuid() == 0) {
        const passwd* user = ::getpwnam("postgres");
        if (!user) {
            m_unavailable = QStringLiteral("running as root and there is no postgres user");
            return;
        }
        if (!ChownTree(m_dir.path(), user->pw_uid, user->pw_gid)) {
            m_unavailable = QStringLiteral("cannot give the folder to the postgres user");
            return;
        }
        m_asPostgresUser = true;
    }
#endif
    // A port of its own only names the socket file; nothing listens on the network.
    m_port = 20000 + int(QCoreApplication::applicationPid() % 20000);
    const QString data = m_dir.filePath(QStringLiteral("data"));
    QString output;
    if (!run(QStringLiteral("initdb"),
             {QStringLiteral("-D"), data, QStringLiteral("-U"), QStringLiteral("velmora"),
              QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-E"), QStringLiteral("UTF8"),
              QStringLiteral("--locale=C"), QStringLiteral("--no-sync")},
             &output)) {
        m_unavailable = QStringLiteral("initdb failed: %1").arg(output);
        return;
    }
    start();
}

bool PostgresServer::start() {
    const QString data = m_dir.filePath(QStringLiteral("data"));
    QString output;
    const QString options =
        QStringLiteral("-c listen_addresses='' -k %1 -p %2 -F").arg(m_dir.path()).arg(m_port);
    if (!run(QStringLiteral("pg_ctl"),
             {QStringLiteral("-D"), data, QStringLiteral("-o"), options, QStringLiteral("-l"),
              m_dir.filePath(QStringLiteral("server.log")), QStringLiteral("-w"), QStringLiteral("-t"),
              QStringLiteral("60"), QStringLiteral("start")},
             &output)) {
        QFile log(m_dir.filePath(QStringLiteral("server.log")));
        log.open(QIODevice::ReadOnly);
        m_unavailable =
            QStringLiteral("pg_ctl start failed: %1 %2").arg(output, QString::fromUtf8(log.readAll()));
        return false;
    }
    m_running = true;
    return true;
}

bool PostgresServer::stop() {
    if (!m_running)
        return false;
    m_running = !run(QStringLiteral("pg_ctl"),
                     {QStringLiteral("-D"), m_dir.filePath(QStringLiteral("data")), QStringLiteral("-m"),
                      QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")});
    return !m_running;
}

PostgresServer::~PostgresServer() {
    if (m_running)
        run(QStringLiteral("pg_ctl"),
            {QStringLiteral("-D"), m_dir.filePath(QStringLiteral("data")), QStringLiteral("-m"),
             QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")});
}

bool PostgresServer::run(const QString& program, const QStringList& arguments, QString* output) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    const QString path = QDir(m_binDir).filePath(program);
    if (m_asPostgresUser)
        process.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), QStringLiteral("postgres"),
                                                             QStringLiteral("--"), path} +
                                                     arguments);
    else
        process.start(path, arguments);
    const bool finished = process.waitForFinished(120000);
    if (output)
        *output = QString::fromLocal8Bit(process.readAll());
    return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool PostgresServer::createDatabase(const QString& name) {
    if (!m_running)
        return false;
    bool ok = false;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("velmora-test-admin"));
        db.setHostName(m_dir.path());
        db.setPort(m_port);
        db.setUserName(QStringLiteral("velmora"));
        db.setDatabaseName(QStringLiteral("postgres"));
        if (db.open()) {
            QSqlQuery query(db);
            // The name is the test's own identifier; it cannot be a bound value here.
            ok = query.exec(QStringLiteral("CREATE DATABASE \"%1\"").arg(name));
            if (!ok)
                qWarning("%s", qPrintable(query.lastError().text()));
        } else {
            qWarning("%s", qPrintable(db.lastError().text()));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("velmora-test-admin"));
    return ok;
}

QString PostgresServer::url(const QString& database) const {
    return QStringLiteral("postgresql://velmora@localhost:%1/%2?host=%3")
        .arg(m_port)
        .arg(database, m_dir.path());
}

} // namespace velmora::testing
