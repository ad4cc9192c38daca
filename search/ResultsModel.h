#pragma once

#include "search/AdRow.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

namespace velmora::search {

// The results list: the program's only store of found ads. Rows stay in the order they
// were added (no sorting); the first cell of a row, the ad's title, may be edited in place.
// Cells are bytes; they become text only on their way to and from the view.
class ResultsModel final : public QAbstractTableModel, public AdRowSink {
    Q_OBJECT

public:
    explicit ResultsModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Adds one row at the end; inside a Batch the row waits for the end of the batch.
    void appendRow(const AdRow& row) override;
    // Adds rows at the end, announced to the view as one insertion.
    void appendRows(const QList<AdRow>& rows);
    // Removes every row.
    void clear();

    // What the history knows of a row's ad: its tooltip, and IsNewRole (true for an ad never
    // seen before for the keyword), which the view shows in bold. Cells, columns and the export
    // stay as they are.
    static constexpr int IsNewRole = Qt::UserRole + 1;
    struct RowMark {
        bool isNew = false;
        QString toolTip;
    };
    void setRowMark(int row, RowMark mark);

    // The rows and captions exactly as the list holds them, for the export.
    const QList<AdRow>& rows() const { return m_rows; }
    QByteArray cell(int row, int column) const;
    static QList<QByteArray> columnCaptions();

    // Collects the rows appended while it lives and adds them as one insertion when it
    // ends, so a long result does not redraw the view once per row. Batches may nest.
    class Batch {
    public:
        explicit Batch(ResultsModel& model);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        ResultsModel& m_model;
    };

    // The one conversion between cell bytes and the text a widget shows or takes: cells are
    // UTF-8, so a keyword or an edited title with "é" shows and exports as é. Bytes that are
    // not UTF-8 show as the replacement character.
    static QString cellText(QByteArrayView bytes);
    static QByteArray cellBytes(const QString& text);

private:
    void flushPending();

    QList<AdRow> m_rows;
    QList<AdRow> m_pending;
    QList<RowMark> m_marks; // parallel to m_rows once a row is marked
    int m_batchDepth = 0;
};

} // namespace velmora::search
