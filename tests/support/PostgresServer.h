#pragma once

// A real PostgreSQL server for tests, started in a temporary folder (initdb, then pg_ctl) and
// listening only on a Unix socket in that folder; stopped and removed when the object goes.
// initdb refuses to run as root, so under root the server runs as the "postgres" system user
// (runuser), which then owns the folder.

#include <QString>
#include <QTemporaryDir>

namespace velmora::testing {

class PostgresServer {
public:
    // binDir: the folder of initdb and pg_ctl.
    explicit PostgresServer(const QString& binDir);
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // Empty when the server runs; otherwise why not.
    const QString& unavailable() const { return m_unavailable; }
    // The folder of the server's socket.
    QString socketFolder() const { return m_dir.path(); }
    int port() const { return m_port; }
    // Stops the server at once, as a crash or a lost machine would, and starts it again.
    bool stop();
    bool start();
    // Makes an empty database; false when it cannot.
    bool createDatabase(const QString& name);
    // "postgresql://velmora@localhost:PORT/NAME?host=SOCKET-FOLDER".
    QString url(const QString& database) const;

private:
    bool run(const QString& program, const QStringList& arguments, QString* output = nullptr);

    QString m_binDir;
    QTemporaryDir m_dir;
    int m_port = 0;
    bool m_asPostgresUser = false;
    bool m_running = false;
    QString m_unavailable;
};

} // namespace velmora::testing
