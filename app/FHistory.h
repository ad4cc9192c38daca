#pragma once

// The history window: every ad kept for a keyword, with when it was first and last seen, how
// often and where; filters, a count line, a timeline of the selected ad or advertiser, export of
// the filtered view as CSV or JSON, and "Clear history...".

#include "history/HistoryQuery.h"

#include <QWidget>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;

namespace velmora::history {
class HistoryAdsModel;
class HistoryStore;
} // namespace velmora::history

namespace velmora::app {

class MessageBox;
class SaveDialog;

// The history of the user's settings (on, keeping pages, where): nothing when it is off.
std::unique_ptr<history::HistoryStore> UserHistoryStore();

// What the history window asks of the main window, which owns the store.
struct HistoryWindowHost {
    // The store, opened; nothing when history is off or cannot be opened.
    std::function<history::HistoryStore*()> store;
    // Why there is no store.
    std::function<QString()> unavailable;
    // The settings were changed in the window: the main window takes the store they name.
    std::function<void()> settingsChanged;
};

class TfrmHistory final : public QWidget {
    Q_OBJECT

public:
    // The first day a date filter can name; showing it means "no limit".
    static constexpr int NoDateYear = 2000;

    TfrmHistory(HistoryWindowHost host, MessageBox& messageBox, SaveDialog& saveDialog, QWidget* parent);
    ~TfrmHistory() override;

    // Reads the table again under the filters (after a search, say).
    void refresh();
    // The store is about to go: nothing may hold its connection.
    void storeChanging();
    // The filters as the fields read now.
    history::HistoryFilter currentFilter() const;
    history::HistoryAdsModel& model() { return *m_model; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void filterEdited();
    void selectionChanged();
    void showTimeline();
    void btnExportClick(history::ExportFormat format);
    void btnClearHistoryClick();
    void settingsClicked();

    HistoryWindowHost m_host;
    MessageBox& m_messageBox;
    SaveDialog& m_saveDialog;
    history::HistoryAdsModel* m_model;
    QTimer* m_filterTimer;

    QLineEdit* edtHistoryKeyword;
    QLineEdit* edtHistoryWords;
    QLineEdit* edtHistoryAdvertiser;
    QDateEdit* dtpHistoryFrom;
    QDateEdit* dtpHistoryTo;
    QDateEdit* dtpHistoryNewSince;
    QTableView* tblHistory;
    QLabel* lblHistoryCount;
    QComboBox* cmbTimeline;
    QWidget* chtTimeline;
    QPushButton* btnExportCsv;
    QPushButton* btnExportJson;
    QPushButton* btnClearHistory;
    QCheckBox* chkKeepHistory;
    QCheckBox* chkKeepPages;
};

} // namespace velmora::app
