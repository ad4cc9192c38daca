#include "webengine/DocumentCharset.h"

#include "html/CharsetPrescan.h"

#include <algorithm>

#include <QByteArray>
#include <QStringDecoder>

namespace velmora::webengine {
namespace {

// A label the engine knows: UTF-16 in markup means UTF-8, and "x-user-defined" is its own set.
bool isKnownCharset(QByteArrayView label) {
    const QByteArray name = label.trimmed().toByteArray().toLower();
    if (name.isEmpty())
        return false;
    if (name.startsWith("utf-16") || name == "x-user-defined")
        return true;
    return QStringDecoder(name.constData()).isValid();
}

} // namespace

bool DeclaresCharset(QByteArrayView document) {
    return html::StartsWithByteOrderMark(document) || html::PrescanCharset(document, isKnownCharset);
}

QString HtmlMimeType(QByteArrayView document) {
    if (DeclaresCharset(document))
        return QStringLiteral("text/html");
    // Resellers write pages and news in UTF-8 without saying so. Text of a legacy set that is
    // also valid UTF-8 hardly occurs outside plain ASCII, which reads the same either way.
    const bool ascii = std::all_of(document.begin(), document.end(), [](char c) { return uchar(c) < 0x80; });
    if (!ascii && document.isValidUtf8())
        return QStringLiteral("text/html;charset=utf-8");
    return QStringLiteral("text/html;charset=windows-1252");
}

} // namespace velmora::webengine
