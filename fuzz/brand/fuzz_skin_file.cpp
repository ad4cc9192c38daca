// The skin file's decoding on arbitrary bytes: it must end, stay inside its buffers and within
// its size bound, and give a style sheet only with no reason to refuse it, and the reverse.

#include "brand/SkinFile.h"

#include <QString>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora::app;
    QString problem;
    const std::optional<QString> sheet =
        DecodeSkin(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)), &problem);
    if (sheet.has_value() == !problem.isEmpty())
        std::abort();
    if (sheet && (sheet->isEmpty() || sheet->size() > MaxSkinSize))
        std::abort();
    return 0;
}
