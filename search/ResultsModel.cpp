#include "search/ResultsModel.h"

namespace velmora::search {
ResultsModel::ResultsModel(QObject* parent) : QAbstractTableModel(parent) {}

int ResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ResultsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(AdColumns.size());
}

QVariant ResultsModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role == Qt::ToolTipRole || role == IsNewRole) {
        if (index.row() >= m_marks.size() || m_marks[index.row()].toolTip.isEmpty())
            return {};
        const RowMark& mark = m_marks[index.row()];
        return role == Qt::ToolTipRole ? QVariant(mark.toolTip) : QVariant(mark.isNew);
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    return cellText(m_rows[index.row()].*AdColumns[size_t(index.column())].cell);
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= int(AdColumns.size()))
        return {};
    if (role == Qt::DisplayRole)
        return cellText(AdColumns[size_t(section)].caption);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags ResultsModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == 0)
        result |= Qt::ItemIsEditable;
    return result;
}

bool ResultsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || index.column() != 0 ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return false;
    QByteArray bytes = cellBytes(value.toString());
    AdRow& row = m_rows[index.row()];
    if (row.title == bytes)
        return true;
    row.title = std::move(bytes);
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

void ResultsModel::appendRow(const AdRow& row) {
    if (m_batchDepth > 0) {
        m_pending.append(row);
        return;
    }
    appendRows({row});
}

void ResultsModel::appendRows(const QList<AdRow>& rows) {
    if (rows.isEmpty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    m_rows.append(rows);
    endInsertRows();
}

void ResultsModel::clear() {
    m_pending.clear();
    if (m_rows.isEmpty())
        return;
    beginResetModel();
    m_rows.clear();
    m_marks.clear();
    endResetModel();
}

void ResultsModel::setRowMark(int row, RowMark mark) {
    if (row < 0 || row >= m_rows.size())
        return;
    if (m_marks.size() < m_rows.size())
        m_marks.resize(m_rows.size());
    m_marks[row] = std::move(mark);
    emit dataChanged(index(row, 0), index(row, columnCount() - 1), {Qt::ToolTipRole, IsNewRole});
}

QByteArray ResultsModel::cell(int row, int column) const {
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= int(AdColumns.size()))
        return {};
    return m_rows[row].*AdColumns[size_t(column)].cell;
}

QList<QByteArray> ResultsModel::columnCaptions() {
    return AdColumnCaptions();
}

QString ResultsModel::cellText(QByteArrayView bytes) {
    return QString::fromUtf8(bytes);
}

QByteArray ResultsModel::cellBytes(const QString& text) {
    return text.toUtf8();
}

void ResultsModel::flushPending() {
    QList<AdRow> rows;
    rows.swap(m_pending);
    appendRows(rows);
}

ResultsModel::Batch::Batch(ResultsModel& model) : m_model(model) {
    ++m_model.m_batchDepth;
}

ResultsModel::Batch::~Batch() {
    if (--m_model.m_batchDepth == 0)
        m_model.flushPending();
}

} // namespace velmora::search
