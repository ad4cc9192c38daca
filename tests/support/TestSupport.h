#pragma once

#include <QByteArray>
#include <QString>

namespace velmora::testing {

// Whole contents of a fixture under tests/data; fails the calling test when missing.
QByteArray readTestData(const QString& relativePath);

// Whole contents of a page under ../shared/testdata.
QByteArray readSharedTestData(const QString& relativePath);

// Whole contents of a file, or "<missing>" when it cannot be read, so a comparison shows why.
QByteArray readFileOrMarker(const QString& path);

// What the system lists as mapped into this process, one mapping a line with the file's path
// (Linux's /proc/self/maps); empty where the system does not tell.
QByteArray mappedFiles();

// Writes bytes to a file, replacing it; fails the calling test when that does not work.
void writeFileForTest(const QString& path, const QByteArray& bytes);

} // namespace velmora::testing
