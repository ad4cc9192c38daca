#include "news/NewsProtocol.h"

#include "util/UUtils.h"

#include <QRandomGenerator>

namespace velmora::news {
namespace {

constexpr char RecordSeparator = char(0xAF);
constexpr char FieldSeparator = '^';
constexpr QByteArrayView ClosingOk = "\xAFOK";

QByteArray withoutClosingOk(QByteArrayView reply) {
    QByteArray rest = reply.toByteArray();
    rest.replace(ClosingOk, QByteArrayView());
    return rest;
}

bool isBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

// Trims the body, tests it for "OK", and either reads the payload into the result or
// gives the failure's message.
template <typename Result, typename Read>
Result judged(QByteArrayView body, NewsRequestKind kind, bool silent, Read read) {
    const QByteArray reply = TrimReply(body);
    Result result;
    result.ok = ReplyIsOk(reply);
    if (result.ok)
        read(reply, result);
    else if (!silent)
        result.message = NewsFailureMessage(kind, reply);
    return result;
}

} // namespace

QByteArray NewsBaseUrl(QByteArrayView productType, const NewsBaseUrls& urls) {
    if (productType == "BM")
        return urls.MasterNewsBaseURL;
    if (productType == "BP")
        return urls.PlatinumNewsBaseURL;
    if (productType == "BG")
        return urls.GoldNewsBaseURL;
    return {};
}

QByteArray NewsRequestUrl(QByteArrayView base, NewsRequestKind kind) {
    const QByteArrayView script = kind == NewsRequestKind::Details ? "getnewsdetails.php" : "getlastnews.php";
    QByteArray url = base.toByteArray();
    if (!url.endsWith('/'))
        url += '/';
    return url.append(script);
}

QList<FormField> NewsFormFields(NewsRequestKind kind, const NewsAccount& account, QByteArrayView newsId) {
    FormField fourth;
    switch (kind) {
    case NewsRequestKind::List:
        fourth = {"conttype", "all"};
        break;
    case NewsRequestKind::Latest:
        fourth = {"conttype", "lastcode"};
        break;
    case NewsRequestKind::Details:
        fourth = {"newsid", newsId.toByteArray()};
        break;
    }
    return {{"memusername", account.PublisherId}, {"prodcode", account.ProductCode},
            {"prodtype", account.ProductType},    fourth,
            {"newstarget", account.NewsTarget},   {"something", QByteArray()}};
}

QByteArray MultipartFormBody(const QList<FormField>& fields, QByteArrayView boundary) {
    QByteArray body;
    for (const FormField& field : fields) {
        body += "--" + boundary.toByteArray() + "\r\n";
        body += "Content-Disposition: form-data; name=\"" + field.name + "\"\r\n\r\n";
        body += field.value + "\r\n";
    }
    body += "--" + boundary.toByteArray() + "--\r\n";
    return body;
}

QByteArray NewFormBoundary(const QList<FormField>& fields) {
    for (;;) {
        const QByteArray boundary =
            "----------VelmoraForm" + QByteArray::number(QRandomGenerator::global()->generate64(), 16);
        bool clash = false;
        for (const FormField& field : fields)
            clash = clash || field.value.contains(boundary);
        if (!clash)
            return boundary;
    }
}

QByteArray TrimReply(QByteArrayView body) {
    qsizetype begin = 0;
    qsizetype end = body.size();
    while (begin < end && isBlankOrControl(body[begin]))
        ++begin;
    while (end > begin && isBlankOrControl(body[end - 1]))
        --end;
    return body.sliced(begin, end - begin).toByteArray();
}

bool ReplyIsOk(QByteArrayView reply) {
    return reply.contains("OK");
}

QString NewsFailureMessage(NewsRequestKind kind, QByteArrayView reply) {
    if (reply.isEmpty())
        return QStringLiteral("There is a trouble accessing the news site. Contact your provider.");
    if (reply == "CONNECTIONFAIL")
        return QStringLiteral("There is a trouble in the settings file on the news site.");
    if (reply == "INVALIDUSER")
        return QStringLiteral("There is a trouble with the Publisher Id. Contact your provider.");
    if (reply == "INVALIDPRODUCT")
        return QStringLiteral("There is a trouble with the product validation. Contact your provider.");
    if (reply == "INVALIDNEWS" && kind == NewsRequestKind::Details)
        return QStringLiteral("There is a trouble with this news. Contact your provider.");
    return {};
}

QString NewsNoAnswerMessage() {
    return QStringLiteral("The news site did not answer for %1 seconds. Try again later.")
        .arg(std::chrono::duration_cast<std::chrono::seconds>(RequestIdleTimeout).count());
}

QString CheckingForNewsStatus() {
    return QStringLiteral("Checking for news...");
}

QList<QByteArray> ReadNewsList(QByteArrayView reply) {
    QList<QByteArray> pieces;
    util::SplitAtChar(RecordSeparator, reply, pieces);
    QList<QByteArray> records;
    for (QByteArray& piece : pieces) {
        if (!piece.isEmpty() && piece != "OK")
            records.append(std::move(piece));
    }
    return records;
}

LatestNewsResult ReadLatestNews(QByteArrayView reply) {
    LatestNewsResult result;
    result.ok = true;
    const QByteArray rest = withoutClosingOk(reply);
    if (rest == "OK")
        return result;
    // An id without a title gives that id and an empty title; a reply with nothing before
    // the first "^" names no item. Neither is a failure.
    QList<QByteArray> pieces;
    util::SplitAtChar(FieldSeparator, rest, pieces);
    if (!pieces.isEmpty())
        result.NewsId = pieces[0];
    if (pieces.size() > 1)
        result.NewsTitle = pieces[1];
    return result;
}

QByteArray ReadNewsDetails(QByteArrayView reply) {
    return util::DecodeDollarEscapes(withoutClosingOk(reply));
}

NewsListResult JudgeNewsListReply(QByteArrayView body) {
    return judged<NewsListResult>(body, NewsRequestKind::List, false, [](QByteArrayView reply, auto& result) {
        result.records = ReadNewsList(reply);
    });
}

LatestNewsResult JudgeLatestNewsReply(QByteArrayView body, bool silent) {
    return judged<LatestNewsResult>(
        body, NewsRequestKind::Latest, silent,
        [](QByteArrayView reply, auto& result) { result = ReadLatestNews(reply); });
}

NewsDetailsResult JudgeNewsDetailsReply(QByteArrayView body) {
    return judged<NewsDetailsResult>(
        body, NewsRequestKind::Details, false,
        [](QByteArrayView reply, auto& result) { result.Html = ReadNewsDetails(reply); });
}

} // namespace velmora::news
