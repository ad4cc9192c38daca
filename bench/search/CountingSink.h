#pragma once

#include "search/AdRow.h"

namespace velmora::bench {

// Counts the rows of a benchmark's page, so the work stays observable without a growing list
// dominating the figures.
class CountingSink final : public search::AdRowSink {
public:
    void appendRow(const search::AdRow& row) override {
        ++rows;
        bytes += row.title.size() + row.text.size() + row.url.size();
    }
    qsizetype rows = 0;
    qsizetype bytes = 0;
};

} // namespace velmora::bench
