#pragma once

// Chunked runs of the stream format's routines, which must give the bytes of one call.

#include "crypto/AesLib.h"

#include <QByteArray>
#include <QList>

#include <algorithm>

// Runs routine over data in pieces of the given sizes, repeated until the data are done.
inline void InPieces(void (*routine)(std::uint8_t*, std::size_t, velmora::crypto::TCryptContext&),
                     QByteArray& data, const QList<int>& pieces, velmora::crypto::TCryptContext& context) {
    auto* bytes = reinterpret_cast<std::uint8_t*>(data.data());
    qsizetype done = 0;
    for (int i = 0; done < data.size(); ++i) {
        const qsizetype take = std::min<qsizetype>(pieces[i % pieces.size()], data.size() - done);
        routine(bytes + done, std::size_t(take), context);
        done += take;
    }
}
