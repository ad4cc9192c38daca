#pragma once

#include <QByteArray>

namespace velmora::search {

// One row of the results list, cells in column order:
// Ad Title, Ad Text, Ad URL, Used Keyword, Position.
struct AdRow {
    QByteArray title;
    QByteArray text;
    QByteArray url;
    QByteArray keyword;
    QByteArray position;

    friend bool operator==(const AdRow&, const AdRow&) = default;
};

// Where the ad extraction puts its rows: the results list implements it.
class AdRowSink {
public:
    virtual ~AdRowSink() = default;
    virtual void appendRow(const AdRow& row) = 0;
};

} // namespace velmora::search
