#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <array>

namespace velmora::search {

// One row of the results list, cells in column order:
// Ad Title, Ad Text, Ad URL, Used Keyword, Position.
struct AdRow {
    QByteArray title;
    QByteArray text;
    QByteArray url;
    QByteArray keyword;
    QByteArray position;
    // Not a column: where the ad stands, TopBlock or BottomBlock, or empty where the page does
    // not say (the classic layouts, the no-script pages).
    QByteArray block = {};

    friend bool operator==(const AdRow&, const AdRow&) = default;
};

inline constexpr char TopBlock[] = "top";       // above the results
inline constexpr char BottomBlock[] = "bottom"; // below them

// A column of the results: its caption (in the list's header and the CSV's header line) and
// the row's cell it shows.
struct AdColumn {
    QByteArrayView caption;
    QByteArray AdRow::*cell;
};

// The columns in order; the results list, the CSV file and velmora-ads all read them from here.
inline constexpr std::array<AdColumn, 5> AdColumns{{
    {"Ad Title", &AdRow::title},
    {"Ad Text", &AdRow::text},
    {"Ad URL", &AdRow::url},
    {"Used Keyword", &AdRow::keyword},
    {"Position", &AdRow::position},
}};

// The captions, in column order.
inline QList<QByteArray> AdColumnCaptions() {
    QList<QByteArray> captions;
    for (const AdColumn& column : AdColumns)
        captions.append(column.caption.toByteArray());
    return captions;
}

// Where the ad extraction puts its rows: the results list implements it.
class AdRowSink {
public:
    virtual ~AdRowSink() = default;
    virtual void appendRow(const AdRow& row) = 0;
};

} // namespace velmora::search
