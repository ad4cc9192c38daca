#pragma once

#include <QByteArray>
#include <QString>

namespace velmora::testing {

// Whole contents of a fixture under tests/data; fails the calling test when missing.
QByteArray readTestData(const QString& relativePath);

// Whole contents of a page under ../shared/testdata.
QByteArray readSharedTestData(const QString& relativePath);

} // namespace velmora::testing
