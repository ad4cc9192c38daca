#pragma once

// "mainskin.dat": a reseller's skin, a Qt style sheet compressed with gzip (RFC 1952, as the
// gzip command writes it: `gzip -9 -c skin.qss > mainskin.dat`). The file comes from outside,
// so its decompressed size is bounded and anything that is not a readable style sheet is
// refused: the stored skin then stays.

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace velmora::app {

inline constexpr char SkinFileName[] = "mainskin.dat";

// The largest style sheet a skin file may hold, decompressed, and the largest skin file.
inline constexpr qsizetype MaxSkinSize = 1024 * 1024;

// The style sheet a skin file holds, or nothing when it does not hold a readable one: not
// gzip, damaged, truncated, followed by other bytes, larger than MaxSkinSize, empty, not UTF-8
// text, or with a comment, string or block left open. problem, when given, says which.
std::optional<QString> DecodeSkin(QByteArrayView fileBytes, QString* problem = nullptr);

// The style sheet of the skin file at path; nothing when there is no such file or it holds no
// readable skin. A file that exists but cannot be opened or read throws util::FileOpenError
// or util::FileError.
std::optional<QString> ReadSkinFile(const QString& path, QString* problem = nullptr);

} // namespace velmora::app
