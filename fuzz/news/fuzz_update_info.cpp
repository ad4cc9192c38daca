// The update information file over arbitrary bytes: reading it must never crash, must not
// depend on the kind of line ends or on blanks before a line, and "Version" must read as a
// number exactly when the C library reads the whole text as one that fits single precision.

#include "news/LiveUpdate.h"

#include <QByteArray>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using namespace velmora::news;

void check(bool condition) {
    if (!condition)
        std::abort();
}

// Lines ending in CR LF, each with two blanks in front.
QByteArray reshaped(const QByteArray& text) {
    QByteArray out;
    for (const QByteArray& line : text.split('\n')) {
        QByteArray bare = line;
        bare.replace('\r', QByteArray());
        out += "  " + bare + "\r\n";
    }
    return out;
}

bool plainDecimal(const QByteArray& text) {
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || c == '.' || c == '+' || c == '-' || c == 'e' || c == 'E' ||
              c == ' ' || c == '\t'))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    const UpdateInfo info = ReadUpdateInfo(text);

    // Lone CRs split lines in the reader but not in reshaped(), and blanks before a
    // byte-order mark hide it; compare only without them.
    if (!text.contains('\r') && !text.startsWith("\xef\xbb\xbf")) {
        const UpdateInfo again = ReadUpdateInfo(reshaped(text));
        check(again.Name == info.Name && again.Version == info.Version);
    }

    for (const QByteArray& candidate : {info.Version, text}) {
        const float value = ReadVersionNumber(candidate);
        check(std::isfinite(value));
        const std::string s(candidate.constData(), std::size_t(candidate.size()));
        char* end = nullptr;
        const double parsed = std::strtod(s.c_str(), &end);
        const bool whole = !s.empty() && std::string(end).find_first_not_of(" \t\v\f") == std::string::npos &&
                           end != s.c_str() && s.find('\0') == std::string::npos;
        if (value != 0) {
            // A number read must be what the C library reads, rounded to single precision.
            // (Rounding through double may land one step away from rounding straight to float.)
            const float near = static_cast<float>(parsed);
            check(whole && (value == near || value == std::nextafter(near, INFINITY) ||
                            value == std::nextafter(near, -INFINITY)));
        } else if (whole && plainDecimal(candidate) && parsed != 0 && std::fabs(parsed) < 3.0e38 &&
                   std::fabs(parsed) > 1e-30) {
            std::abort(); // a plain number in range was not read
        }
    }
    return 0;
}
