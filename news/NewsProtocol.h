#pragma once

// The news service's side of the conversation as plain data: which URL, which form, and
// what a reply means. Nothing here touches the network; NewsClient sends what these build.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <chrono>

namespace velmora::news {

// How long a news or update request may go without receiving a byte before it is given up.
inline constexpr std::chrono::milliseconds RequestIdleTimeout{30000};

// The three news base URLs of the branding, one per tier.
struct NewsBaseUrls {
    QByteArray MasterNewsBaseURL;
    QByteArray PlatinumNewsBaseURL;
    QByteArray GoldNewsBaseURL;
};

// Who asks: the values of the one tier row that applies, taken from the branding by the
// caller. ProductType is "BM", "BP" or "BG" and picks the base URL from baseUrls.
struct NewsAccount {
    QByteArray PublisherId;
    QByteArray ProductCode; // the reseller's code
    QByteArray ProductType;
    QByteArray NewsTarget = "UA";
    NewsBaseUrls baseUrls;
};

enum class NewsRequestKind { List, Latest, Details };

// The base URL that belongs to a product-type code; empty for an unknown code.
QByteArray NewsBaseUrl(QByteArrayView productType, const NewsBaseUrls& urls);

// The base followed by the request's script, with exactly one slash between them when the
// base does not end in one already. Nothing else about the base is changed.
QByteArray NewsRequestUrl(QByteArrayView base, NewsRequestKind kind);

struct FormField {
    QByteArray name;
    QByteArray value;
};

// The six text fields of a request, in the order the service expects them.
QList<FormField> NewsFormFields(NewsRequestKind kind, const NewsAccount& account, QByteArrayView newsId = {});

// A multipart/form-data body (RFC 7578): one part per field, each with only its
// Content-Disposition header, closed by the final delimiter. The boundary must not occur
// in any value; NewFormBoundary picks one that does not.
QByteArray MultipartFormBody(const QList<FormField>& fields, QByteArrayView boundary);
QByteArray NewFormBoundary(const QList<FormField>& fields);

// The reply with every byte of code 32 or below removed from both ends.
QByteArray TrimReply(QByteArrayView body);

// A reply means success when it holds the two capital letters "OK" anywhere.
bool ReplyIsOk(QByteArrayView reply);

// The warning that belongs to a failed reply (already trimmed), or an empty text when the
// reply carries no code this request knows: then nothing is shown.
QString NewsFailureMessage(NewsRequestKind kind, QByteArrayView reply);

// The warning of a request that the news site left without an answer for RequestIdleTimeout.
QString NewsNoAnswerMessage();
// The status text while the news button's list loads.
QString CheckingForNewsStatus();

// What a finished request hands back. message is the warning to show the user; it is empty
// on success, for replies without a known code, for a silent latest-news poll, and when the
// request was aborted. timedOut: the site sent nothing for the client's idle time-out.
struct NewsResult {
    bool ok = false;
    bool aborted = false;
    bool timedOut = false;
    QString message;
};

struct NewsListResult : NewsResult {
    QList<QByteArray> records; // each "id^title^published", as the service sent it
};

struct LatestNewsResult : NewsResult {
    QByteArray NewsId; // empty when the reply names no item
    QByteArray NewsTitle;
};

struct NewsDetailsResult : NewsResult {
    QByteArray Html;
};

// The payload readings of a successful reply (trimmed, "OK" in it).
QList<QByteArray> ReadNewsList(QByteArrayView reply);
LatestNewsResult ReadLatestNews(QByteArrayView reply);
QByteArray ReadNewsDetails(QByteArrayView reply);

// A whole response body judged: trimmed, tested for "OK", read or turned into its message.
// A failed exchange passes an empty body.
NewsListResult JudgeNewsListReply(QByteArrayView body);
LatestNewsResult JudgeLatestNewsReply(QByteArrayView body, bool silent);
NewsDetailsResult JudgeNewsDetailsReply(QByteArrayView body);

} // namespace velmora::news
