#pragma once

// The end of every atomic save. Qt 6.4's QSaveFile::commit() renames the new file over the old
// one even when the bytes it still buffers cannot be written (a full disk), so a failed save
// used to leave an empty or cut file in place of a good one. Saves finish here instead: what is
// buffered is written out and synced first, and only a file that is completely on disk takes
// the old one's place.

#include <QString>

class QFileDevice;
class QSaveFile;

namespace velmora::util {

// Writes out what file still buffers and asks the system to put it on disk. False, with the
// reason in *reason when given ("No space left on device"), when either fails.
bool FlushToDisk(QFileDevice& file, QString* reason = nullptr);

// FlushToDisk, then QSaveFile::commit(). On any failure the new file is dropped and the old
// one stays exactly as it was; false, with the reason in *reason when given.
bool CommitSave(QSaveFile& file, QString* reason = nullptr);

} // namespace velmora::util
