// The search of a welcome page for its charset declaration on arbitrary bytes: it must end and
// stay inside the buffer, a declaration put in front is always found, and the MIME type follows
// the answer.

#include "webengine/DocumentCharset.h"

#include <QByteArray>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora::webengine;
    const QByteArrayView document(reinterpret_cast<const char*>(data), qsizetype(size));
    const bool declares = DeclaresCharset(document);
    if ((HtmlMimeType(document) == QStringLiteral("text/html")) != declares)
        std::abort();
    if (!DeclaresCharset("<meta charset=\"utf-8\">" + document.toByteArray()))
        std::abort();
    return 0;
}
