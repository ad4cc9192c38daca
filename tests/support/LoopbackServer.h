#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>

#include <functional>
#include <memory>

namespace velmora::testing {

// One request as the server parsed it off the wire, not as the client meant to send it.
struct RecordedRequest {
    struct Field {
        QByteArray name;
        QByteArray fileName;
        QByteArray contentType;
        QByteArray value;
    };

    QByteArray method;
    QByteArray target; // path and query exactly as sent, still encoded
    QByteArray path;   // decoded path, without the query
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;     // empty for a multipart body: see fields
    QList<Field> fields; // the parts of a multipart/form-data body, in body order

    // The first header of that name (ASCII case ignored), or an empty array.
    QByteArray header(QByteArrayView name) const;
    bool hasHeader(QByteArrayView name) const;
    // Value of the first form field of that name.
    QByteArray field(QByteArrayView name) const;
};

// What the server answers on one path.
struct CannedReply {
    int status = 200;
    QByteArray body;
    QByteArray contentType = "text/html";
    QList<QPair<QByteArray, QByteArray>> headers; // extra response headers, Location and the like
    // Slow serving: the body goes out in pieces of chunkSize bytes with intervalMs between
    // them. Without a chunk size it goes out at once.
    int chunkSize = 0;
    int intervalMs = 0;
    // False sends the body without Content-Length (chunked transfer coding).
    bool announceLength = true;
    // True takes the request and sends nothing back, not even a status line, until the
    // server goes: a server that accepts and never answers.
    bool neverAnswer = false;
};

// An HTTP server on 127.0.0.1 with a port of the system's choosing, run on its own threads
// for the life of the object. Paths are matched exactly, without the query; an unknown path
// answers 404. Every request is recorded before it is answered.
class LoopbackServer {
public:
    using Responder = std::function<CannedReply(const RecordedRequest&)>;

    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    quint16 port() const;
    // "http://127.0.0.1:<port>" followed by path.
    QByteArray url(QByteArrayView path = {}) const;

    void setReply(const QByteArray& path, CannedReply reply);
    void setResponder(const QByteArray& path, Responder responder);
    void setRedirect(const QByteArray& path, const QByteArray& location, int status = 302);

    QList<RecordedRequest> requests() const;
    int requestCount() const;
    // Serves the Qt event loop until that many requests have arrived or the time is up.
    bool waitForRequests(int count, int timeoutMs = 5000) const;

    // A loopback port on which nothing listens, for "connection refused".
    static quint16 closedPort();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace velmora::testing
