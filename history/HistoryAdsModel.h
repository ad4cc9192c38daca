#pragma once

// The history window's table: the ads under a filter, sorted by any column. Only the rows the
// view shows are read, a page of rows at a time; the count comes from one COUNT query, so the
// scroll bar is right from the start without reading the table.

#include "history/HistoryQuery.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QSqlDatabase>

namespace velmora::history {

class HistoryAdsModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int PageRows = 128;
    // Pages kept in memory; older ones are read again when they come back into view.
    static constexpr int CachedPages = 32;
    // The ad's id, for the timeline.
    static constexpr int AdIdRole = Qt::UserRole + 1;

    explicit HistoryAdsModel(QObject* parent = nullptr);

    // Shows the ads of db under filter; an invalid db shows none. False, with error(), when a
    // query fails.
    bool setQuery(const QSqlDatabase& db, const HistoryFilter& filter);
    // Drops every row and the connection (before the history is cleared, say).
    void release();

    const HistoryFilter& filter() const { return m_filter; }
    const HistoryCount& count() const { return m_count; }
    HistoryColumn sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }
    const QString& error() const { return m_error; }
    // How many pages were read from the database since the last query (for tests).
    int pagesRead() const { return m_pagesRead; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order) override;

private:
    using Row = QList<QVariant>;
    const QList<Row>* page(int pageIndex) const;
    bool reload();

    QSqlDatabase m_db;
    HistoryFilter m_filter;
    HistoryColumn m_sortColumn = HistoryColumn::LastSeen;
    Qt::SortOrder m_sortOrder = Qt::DescendingOrder;
    HistoryCount m_count;
    QString m_error;
    mutable QHash<int, QList<Row>> m_pages;
    mutable QList<int> m_pageOrder; // least recently read first
    mutable int m_pagesRead = 0;
};

} // namespace velmora::history
