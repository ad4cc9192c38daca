#include "history/HistoryAdsModel.h"

#include <QSqlError>
#include <QSqlQuery>

namespace velmora::history {

HistoryAdsModel::HistoryAdsModel(QObject* parent) : QAbstractTableModel(parent) {}

bool HistoryAdsModel::setQuery(const QSqlDatabase& db, const HistoryFilter& filter) {
    m_db = db;
    m_filter = filter;
    return reload();
}

void HistoryAdsModel::release() {
    beginResetModel();
    m_db = QSqlDatabase();
    m_pages.clear();
    m_pageOrder.clear();
    m_count = {};
    endResetModel();
}

bool HistoryAdsModel::reload() {
    beginResetModel();
    m_pages.clear();
    m_pageOrder.clear();
    m_pagesRead = 0;
    m_count = {};
    m_error.clear();
    bool ok = true;
    if (m_db.isValid() && m_db.isOpen())
        ok = CountHistory(m_db, m_filter, m_count, &m_error);
    endResetModel();
    return ok;
}

int HistoryAdsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(std::min<qint64>(m_count.ads, std::numeric_limits<int>::max()));
}

int HistoryAdsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(HistoryColumn::Count);
}

const QList<HistoryAdsModel::Row>* HistoryAdsModel::page(int pageIndex) const {
    if (auto it = m_pages.constFind(pageIndex); it != m_pages.cend()) {
        m_pageOrder.removeOne(pageIndex);
        m_pageOrder.append(pageIndex);
        return &*it;
    }
    BoundSql bound = HistoryRowsSql(m_filter, m_sortColumn, m_sortOrder);
    bound.values.append(PageRows);
    bound.values.append(qint64(pageIndex) * PageRows);
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(bound.sql);
    for (const QVariant& value : bound.values)
        query.addBindValue(value);
    if (!query.exec())
        return nullptr;
    QList<Row> rows;
    rows.reserve(PageRows);
    const int columns = int(HistoryColumn::Count) + 1;
    while (query.next()) {
        Row row;
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row.append(query.value(i));
        rows.append(std::move(row));
    }
    ++m_pagesRead;
    if (m_pageOrder.size() >= CachedPages)
        m_pages.remove(m_pageOrder.takeFirst());
    m_pageOrder.append(pageIndex);
    return &*m_pages.insert(pageIndex, std::move(rows));
}

QVariant HistoryAdsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole && role != AdIdRole))
        return {};
    const QList<Row>* rows = page(index.row() / PageRows);
    const int inPage = index.row() % PageRows;
    if (!rows || inPage >= rows->size())
        return {};
    const Row& row = rows->at(inPage);
    if (role == AdIdRole)
        return row.last();
    const QVariant& value = row.at(index.column());
    const auto column = HistoryColumn(index.column());
    if (column == HistoryColumn::FirstSeen || column == HistoryColumn::LastSeen) {
        const QDateTime time = QDateTime::fromString(value.toString(), Qt::ISODateWithMs);
        return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    }
    return value;
}

QVariant HistoryAdsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= int(HistoryColumn::Count))
        return {};
    return HistoryColumnCaption(HistoryColumn(section));
}

void HistoryAdsModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= int(HistoryColumn::Count))
        return;
    m_sortColumn = HistoryColumn(column);
    m_sortOrder = order;
    beginResetModel();
    m_pages.clear();
    m_pageOrder.clear();
    endResetModel();
}

} // namespace velmora::history
