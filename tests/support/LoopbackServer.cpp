#include "LoopbackServer.h"

#include <QHash>
#include <QHostAddress>
#include <QTcpServer>
#include <QTest>

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace velmora::testing {
namespace {

QByteArray bytes(const std::string& text) {
    return QByteArray(text.data(), qsizetype(text.size()));
}

std::string text(QByteArrayView bytes) {
    return std::string(bytes.data(), std::size_t(bytes.size()));
}

} // namespace

QByteArray RecordedRequest::header(QByteArrayView name) const {
    for (const auto& [key, value] : headers) {
        if (QByteArrayView(key).compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

bool RecordedRequest::hasHeader(QByteArrayView name) const {
    for (const auto& header : headers) {
        if (QByteArrayView(header.first).compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QByteArray RecordedRequest::field(QByteArrayView name) const {
    for (const Field& f : fields) {
        if (f.name == name)
            return f.value;
    }
    return {};
}

struct LoopbackServer::State {
    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::atomic<bool> stopping{false};
    mutable std::mutex mutex;
    QList<RecordedRequest> requests;
    QHash<QByteArray, Responder> responders;

    void serve(RecordedRequest request, httplib::Response& response) {
        Responder responder;
        {
            std::lock_guard lock(mutex);
            requests.append(request);
            responder = responders.value(request.path);
        }
        if (!responder) {
            response.status = 404;
            response.set_content("not found", "text/plain");
            return;
        }
        answer(responder(request), response);
    }

    void answer(const CannedReply& reply, httplib::Response& response) {
        if (reply.neverAnswer) {
            while (!stopping)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            response.status = 503;
            return;
        }
        response.status = reply.status;
        for (const auto& [name, value] : reply.headers)
            response.set_header(text(name), text(value));
        const std::string contentType = text(reply.contentType);
        if (reply.chunkSize <= 0 && reply.announceLength) {
            response.set_content(text(reply.body), contentType.c_str());
            return;
        }
        const auto body = std::make_shared<std::string>(text(reply.body));
        const std::size_t chunk = reply.chunkSize > 0 ? std::size_t(reply.chunkSize) : body->size() + 1;
        const auto pause = std::chrono::milliseconds(reply.intervalMs);
        // Sends one piece per call and pauses between pieces; gives up as soon as the client
        // has gone or the server is being torn down.
        auto sendPiece = [this, body, chunk, pause](std::size_t offset, httplib::DataSink& sink) {
            if (stopping || !sink.is_writable())
                return false;
            if (offset > 0 && pause.count() > 0) {
                for (auto waited = std::chrono::milliseconds(0); waited < pause;
                     waited += std::chrono::milliseconds(5)) {
                    if (stopping)
                        return false;
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
            }
            const std::size_t n = std::min(chunk, body->size() - offset);
            return sink.write(body->data() + offset, n);
        };
        if (reply.announceLength) {
            response.set_content_provider(
                body->size(), contentType,
                [sendPiece](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                    return sendPiece(offset, sink);
                });
        } else {
            response.set_chunked_content_provider(
                contentType, [sendPiece, body](std::size_t offset, httplib::DataSink& sink) {
                    if (offset >= body->size()) {
                        sink.done();
                        return true;
                    }
                    return sendPiece(offset, sink);
                });
        }
    }
};

namespace {

RecordedRequest recordHead(const httplib::Request& request) {
    RecordedRequest recorded;
    recorded.method = bytes(request.method);
    recorded.target = bytes(request.target);
    recorded.path = bytes(request.path);
    for (const auto& [name, value] : request.headers) {
        // The server adds these of its own; they were never on the wire.
        if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" || name == "LOCAL_PORT")
            continue;
        recorded.headers.append({bytes(name), bytes(value)});
    }
    return recorded;
}

} // namespace

LoopbackServer::LoopbackServer() : m_state(std::make_unique<State>()) {
    State* state = m_state.get();
    state->server.Get(".*", [state](const httplib::Request& request, httplib::Response& response) {
        state->serve(recordHead(request), response);
    });
    state->server.Post(".*", [state](const httplib::Request& request, httplib::Response& response,
                                     const httplib::ContentReader& content) {
        RecordedRequest recorded = recordHead(request);
        if (request.is_multipart_form_data()) {
            content(
                [&recorded](const httplib::MultipartFormData& part) {
                    recorded.fields.append(
                        {bytes(part.name), bytes(part.filename), bytes(part.content_type), QByteArray()});
                    return true;
                },
                [&recorded](const char* data, std::size_t size) {
                    recorded.fields.last().value.append(data, qsizetype(size));
                    return true;
                });
        } else {
            content([&recorded](const char* data, std::size_t size) {
                recorded.body.append(data, qsizetype(size));
                return true;
            });
        }
        state->serve(std::move(recorded), response);
    });
    // One request per connection: a connection a client keeps idle would hold the server's
    // stop for the whole keep-alive time (browsers keep theirs).
    state->server.set_keep_alive_max_count(1);
    state->port = state->server.bind_to_any_port("127.0.0.1");
    if (state->port <= 0)
        throw std::runtime_error("the loopback server cannot bind a port");
    state->thread = std::thread([state] { state->server.listen_after_bind(); });
    // stop() does nothing until the accept loop runs, so a server destroyed right after it
    // was made would wait for that loop forever.
    for (int waited = 0; !state->server.is_running(); ++waited) {
        if (waited == 5000)
            throw std::runtime_error("the loopback server does not start");
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

LoopbackServer::~LoopbackServer() {
    m_state->stopping = true;
    m_state->server.stop();
    if (m_state->thread.joinable())
        m_state->thread.join();
}

quint16 LoopbackServer::port() const {
    return quint16(m_state->port);
}

QByteArray LoopbackServer::url(QByteArrayView path) const {
    return "http://127.0.0.1:" + QByteArray::number(m_state->port) + path.toByteArray();
}

void LoopbackServer::setReply(const QByteArray& path, CannedReply reply) {
    setResponder(path, [reply = std::move(reply)](const RecordedRequest&) { return reply; });
}

void LoopbackServer::setResponder(const QByteArray& path, Responder responder) {
    std::lock_guard lock(m_state->mutex);
    m_state->responders.insert(path, std::move(responder));
}

void LoopbackServer::setRedirect(const QByteArray& path, const QByteArray& location, int status) {
    CannedReply reply;
    reply.status = status;
    reply.headers.append({"Location", location});
    setReply(path, std::move(reply));
}

QList<RecordedRequest> LoopbackServer::requests() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->requests;
}

int LoopbackServer::requestCount() const {
    std::lock_guard lock(m_state->mutex);
    return int(m_state->requests.size());
}

bool LoopbackServer::waitForRequests(int count, int timeoutMs) const {
    return QTest::qWaitFor([&] { return requestCount() >= count; }, timeoutMs);
}

quint16 LoopbackServer::closedPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        throw std::runtime_error("no loopback port is free");
    return probe.serverPort(); // closed again when probe goes
}

} // namespace velmora::testing
