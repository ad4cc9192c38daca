#include "app/FHistory.h"

#include "app/MessageBox.h"
#include "app/SaveDialog.h"
#include "history/HistoryAdsModel.h"
#include "history/HistoryLocation.h"
#include "history/HistoryStore.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTimeAxis>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>

namespace velmora::app {
namespace {

constexpr int FilterDelayMs = 250;
constexpr int MaxTimelineDays = 3660;

template <class W> W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QDateEdit* dateFilter(QWidget* parent, const char* name) {
    auto* edit = named(new QDateEdit(parent), name);
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    edit->setMinimumDate(QDate(TfrmHistory::NoDateYear, 1, 1));
    edit->setSpecialValueText(QStringLiteral("any day"));
    edit->setDate(edit->minimumDate());
    return edit;
}

QDate filterDate(const QDateEdit* edit) {
    return edit->date() == edit->minimumDate() ? QDate() : edit->date();
}

} // namespace

TfrmHistory::TfrmHistory(HistoryWindowHost host, MessageBox& messageBox, SaveDialog& saveDialog,
                         QWidget* parent)
    : QWidget(parent, Qt::Window), m_host(std::move(host)), m_messageBox(messageBox),
      m_saveDialog(saveDialog), m_model(new history::HistoryAdsModel(this)), m_filterTimer(new QTimer(this)) {
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(QStringLiteral("Ad history"));
    resize(1000, 640);

    edtHistoryKeyword = named(new QLineEdit(this), "edtHistoryKeyword");
    edtHistoryKeyword->setPlaceholderText(QStringLiteral("the keyword as searched"));
    edtHistoryWords = named(new QLineEdit(this), "edtHistoryWords");
    edtHistoryWords->setPlaceholderText(QStringLiteral("words in title or text"));
    edtHistoryAdvertiser = named(new QLineEdit(this), "edtHistoryAdvertiser");
    edtHistoryAdvertiser->setPlaceholderText(QStringLiteral("part of the advertiser's host"));
    dtpHistoryFrom = dateFilter(this, "dtpHistoryFrom");
    dtpHistoryTo = dateFilter(this, "dtpHistoryTo");
    dtpHistoryNewSince = dateFilter(this, "dtpHistoryNewSince");
    chkKeepHistory = named(new QCheckBox(QStringLiteral("Keep history"), this), "chkKeepHistory");
    chkKeepPages = named(new QCheckBox(QStringLiteral("Keep pages"), this), "chkKeepPages");
    chkKeepPages->setToolTip(
        QStringLiteral("Keep each distinct results page, compressed, so it can be read again"));

    auto* filters = new QGridLayout;
    auto addField = [&](int row, int column, const QString& caption, QWidget* field) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        filters->addWidget(label, row, column * 2);
        filters->addWidget(field, row, column * 2 + 1);
    };
    addField(0, 0, QStringLiteral("&Keyword:"), edtHistoryKeyword);
    addField(0, 1, QStringLiteral("&Words:"), edtHistoryWords);
    addField(0, 2, QStringLiteral("&Advertiser:"), edtHistoryAdvertiser);
    addField(1, 0, QStringLiteral("Seen &from:"), dtpHistoryFrom);
    addField(1, 1, QStringLiteral("Seen &to:"), dtpHistoryTo);
    addField(1, 2, QStringLiteral("&New since:"), dtpHistoryNewSince);
    auto* settings = new QHBoxLayout;
    settings->addWidget(chkKeepHistory);
    settings->addWidget(chkKeepPages);
    filters->addLayout(settings, 0, 6, 2, 1);

    tblHistory = named(new QTableView(this), "tblHistory");
    tblHistory->setModel(m_model);
    tblHistory->setSortingEnabled(true);
    tblHistory->horizontalHeader()->setSortIndicator(int(history::HistoryColumn::LastSeen),
                                                     Qt::DescendingOrder);
    tblHistory->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblHistory->setSelectionMode(QAbstractItemView::SingleSelection);
    tblHistory->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblHistory->setWordWrap(false);
    tblHistory->verticalHeader()->hide();
    // Fixed row heights: the view never asks for rows it does not show.
    tblHistory->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tblHistory->verticalHeader()->setDefaultSectionSize(tblHistory->fontMetrics().height() + 6);
    tblHistory->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    for (const auto& [column, width] :
         {std::pair{history::HistoryColumn::Title, 200}, std::pair{history::HistoryColumn::Text, 240},
          std::pair{history::HistoryColumn::Url, 160}})
        tblHistory->setColumnWidth(int(column), width);

    lblHistoryCount = named(new QLabel(this), "lblHistoryCount");
    lblHistoryCount->setTextFormat(Qt::PlainText);
    btnExportCsv = named(new QPushButton(QStringLiteral("Export CSV..."), this), "btnExportCsv");
    btnExportJson = named(new QPushButton(QStringLiteral("Export JSON..."), this), "btnExportJson");
    btnClearHistory = named(new QPushButton(QStringLiteral("Clear history..."), this), "btnClearHistory");
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblHistoryCount, 1);
    bottom->addWidget(btnExportCsv);
    bottom->addWidget(btnExportJson);
    bottom->addWidget(btnClearHistory);

    cmbTimeline = named(new QComboBox(this), "cmbTimeline");
    cmbTimeline->addItems({QStringLiteral("Sightings per day of the selected ad"),
                           QStringLiteral("Sightings per day of the selected advertiser")});
    auto* chartView = new QChartView(this);
    chartView->setObjectName(QStringLiteral("chtTimeline"));
    chartView->setMinimumHeight(170);
    chartView->chart()->legend()->hide();
    chartView->setRenderHint(QPainter::Antialiasing);
    chtTimeline = chartView;

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(tblHistory, 3);
    layout->addLayout(bottom);
    layout->addWidget(cmbTimeline, 0, Qt::AlignLeft);
    layout->addWidget(chtTimeline, 1);

    m_filterTimer->setSingleShot(true);
    m_filterTimer->setInterval(FilterDelayMs);
    connect(m_filterTimer, &QTimer::timeout, this, &TfrmHistory::refresh);
    for (QLineEdit* edit : {edtHistoryKeyword, edtHistoryWords, edtHistoryAdvertiser})
        connect(edit, &QLineEdit::textEdited, this, &TfrmHistory::filterEdited);
    for (QDateEdit* edit : {dtpHistoryFrom, dtpHistoryTo, dtpHistoryNewSince})
        connect(edit, &QDateEdit::dateChanged, this, &TfrmHistory::filterEdited);
    connect(tblHistory->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TfrmHistory::selectionChanged);
    connect(m_model, &QAbstractItemModel::modelReset, this, &TfrmHistory::showTimeline);
    connect(cmbTimeline, &QComboBox::currentIndexChanged, this, &TfrmHistory::showTimeline);
    connect(btnExportCsv, &QPushButton::clicked, this,
            [this] { btnExportClick(history::ExportFormat::Csv); });
    connect(btnExportJson, &QPushButton::clicked, this,
            [this] { btnExportClick(history::ExportFormat::Json); });
    connect(btnClearHistory, &QPushButton::clicked, this, &TfrmHistory::btnClearHistoryClick);

    const history::HistorySettings stored = history::ReadHistorySettings();
    chkKeepHistory->setChecked(stored.enabled);
    chkKeepPages->setChecked(stored.keepPages);
    connect(chkKeepHistory, &QCheckBox::clicked, this, &TfrmHistory::settingsClicked);
    connect(chkKeepPages, &QCheckBox::clicked, this, &TfrmHistory::settingsClicked);
}

TfrmHistory::~TfrmHistory() = default;

history::HistoryFilter TfrmHistory::currentFilter() const {
    history::HistoryFilter filter;
    filter.keyword = edtHistoryKeyword->text();
    filter.words = edtHistoryWords->text();
    filter.advertiser = edtHistoryAdvertiser->text();
    filter.from = filterDate(dtpHistoryFrom);
    filter.to = filterDate(dtpHistoryTo);
    filter.newSince = filterDate(dtpHistoryNewSince);
    return filter;
}

void TfrmHistory::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
}

void TfrmHistory::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TfrmHistory::filterEdited() {
    m_filterTimer->start();
}

void TfrmHistory::storeChanging() {
    m_model->release();
}

void TfrmHistory::refresh() {
    m_filterTimer->stop();
    if (!isVisible())
        return; // read again when shown
    history::HistoryStore* store = m_host.store();
    const bool available = store != nullptr;
    for (QWidget* control : {static_cast<QWidget*>(btnExportCsv), static_cast<QWidget*>(btnExportJson),
                             static_cast<QWidget*>(btnClearHistory), static_cast<QWidget*>(tblHistory)})
        control->setEnabled(available);
    if (!available) {
        m_model->release();
        lblHistoryCount->setText(m_host.unavailable());
        return;
    }
    if (m_model->setQuery(store->database(), currentFilter()))
        lblHistoryCount->setText(history::HistoryCountLine(m_model->count()));
    else
        lblHistoryCount->setText(QStringLiteral("The history could not be read: %1").arg(m_model->error()));
}

void TfrmHistory::selectionChanged() {
    showTimeline();
}

void TfrmHistory::showTimeline() {
    auto* view = static_cast<QChartView*>(chtTimeline);
    QChart* chart = view->chart();
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes())
        chart->removeAxis(axis);
    chart->setTitle(QString());
    const QModelIndex current = tblHistory->currentIndex();
    history::HistoryStore* store = current.isValid() ? m_host.store() : nullptr;
    if (!store)
        return;
    const bool ofAdvertiser = cmbTimeline->currentIndex() == 1;
    const QString keyword =
        m_model->index(current.row(), int(history::HistoryColumn::Keyword)).data().toString();
    const QString host =
        m_model->index(current.row(), int(history::HistoryColumn::Advertiser)).data().toString();
    QString error;
    const QList<history::DayCount> days =
        ofAdvertiser
            ? history::SightingsPerDayOfAdvertiser(store->database(), host, &error)
            : history::SightingsPerDayOfAd(store->database(),
                                           current.data(history::HistoryAdsModel::AdIdRole).toLongLong(),
                                           keyword, &error);
    if (!error.isEmpty()) {
        chart->setTitle(QStringLiteral("The timeline could not be read: %1").arg(error));
        return;
    }
    if (days.isEmpty())
        return;
    chart->setTitle(
        ofAdvertiser
            ? host
            : QStringLiteral("%1 for \"%2\"")
                  .arg(m_model->index(current.row(), int(history::HistoryColumn::Title)).data().toString(),
                       keyword));
    // Every day from the first to the last sighting, days without one at zero.
    auto* series = new QLineSeries;
    qint64 most = 1;
    QDate day = std::max(days.first().day, days.last().day.addDays(-MaxTimelineDays));
    for (const history::DayCount& count : days) {
        if (count.day < day)
            continue;
        for (; day < count.day; day = day.addDays(1))
            series->append(double(QDateTime(day, QTime(12, 0), Qt::UTC).toMSecsSinceEpoch()), 0);
        series->append(double(QDateTime(day, QTime(12, 0), Qt::UTC).toMSecsSinceEpoch()),
                       double(count.sightings));
        most = std::max(most, count.sightings);
        day = day.addDays(1);
    }
    series->setPointsVisible(true); // a single day still shows
    chart->addSeries(series);
    auto* dates = new QDateTimeAxis;
    dates->setFormat(QStringLiteral("yyyy-MM-dd"));
    const QDateTime first(days.first().day, QTime(0, 0), Qt::UTC);
    const QDateTime last(days.last().day, QTime(23, 59), Qt::UTC);
    dates->setRange(first, last);
    dates->setTickCount(int(std::clamp<qint64>(first.daysTo(last) + 1, 2, 8)));
    auto* counts = new QValueAxis;
    counts->setRange(0, double(most));
    counts->setLabelFormat(QStringLiteral("%.0f"));
    counts->setTickCount(int(std::min<qint64>(most, 4)) + 1);
    counts->setTitleText(QStringLiteral("sightings"));
    chart->addAxis(dates, Qt::AlignBottom);
    chart->addAxis(counts, Qt::AlignLeft);
    series->attachAxis(dates);
    series->attachAxis(counts);
}

void TfrmHistory::btnExportClick(history::ExportFormat format) {
    history::HistoryStore* store = m_host.store();
    if (!store)
        return;
    const bool csv = format == history::ExportFormat::Csv;
    const QString fileName = m_saveDialog.askFileName(
        this,
        csv ? QStringLiteral("Export the history as CSV") : QStringLiteral("Export the history as JSON"),
        csv ? QStringLiteral("Comma delimited (*.csv)") : QStringLiteral("JSON (*.json)"),
        csv ? QStringLiteral("csv") : QStringLiteral("json"));
    if (fileName.isEmpty())
        return;
    QString reason;
    if (!history::SaveHistoryExport(store->database(), m_model->filter(), m_model->sortColumn(),
                                    m_model->sortOrder(), format, fileName, &reason))
        m_messageBox.warning(this, QStringLiteral("The history could not be exported to %1.\n%2")
                                       .arg(QDir::toNativeSeparators(fileName), reason));
}

void TfrmHistory::btnClearHistoryClick() {
    history::HistoryStore* store = m_host.store();
    if (!store)
        return;
    if (m_messageBox.show(this, MessageBox::Kind::Warning,
                          QStringLiteral("Clear the whole history? Every stored search and ad is deleted, "
                                         "for every keyword."),
                          MessageBox::Buttons::OkCancel) != MessageBox::Answer::Ok)
        return;
    m_model->release(); // the compaction needs no reader on the file
    QString sentence;
    if (!store->clear(&sentence))
        m_messageBox.warning(this, sentence);
    refresh();
}

void TfrmHistory::settingsClicked() {
    history::HistorySettings settings = history::ReadHistorySettings();
    settings.enabled = chkKeepHistory->isChecked();
    settings.keepPages = chkKeepPages->isChecked();
    history::WriteHistorySettings(settings);
    m_host.settingsChanged();
}

} // namespace velmora::app
