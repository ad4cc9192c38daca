#pragma once

// Rows of the ad extraction as its tests build and compare them.

#include "search/AdRow.h"

#include <QList>
#include <QTest>

namespace velmora::testing {

using search::AdRow;
using Rows = QList<AdRow>;

inline AdRow ad(const char* title, const char* text, const char* url, const char* keyword, int position) {
    return AdRow{title, text, url, keyword, QByteArray::number(position)};
}

inline void compareRows(const Rows& actual, const Rows& expected) {
    for (qsizetype i = 0; i < qMin(actual.size(), expected.size()); ++i) {
        QCOMPARE(actual[i].title, expected[i].title);
        QCOMPARE(actual[i].text, expected[i].text);
        QCOMPARE(actual[i].url, expected[i].url);
        QCOMPARE(actual[i].keyword, expected[i].keyword);
        QCOMPARE(actual[i].position, expected[i].position);
        QCOMPARE(actual[i].block, expected[i].block);
    }
    QCOMPARE(actual.size(), expected.size());
}

} // namespace velmora::testing
