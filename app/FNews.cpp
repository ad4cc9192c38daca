#include "app/FNews.h"

#include "app/ErrorReporter.h"
#include "app/MessageBox.h"
#include "news/NewsClient.h"
#include "util/UUtils.h"
#include "util/WidgetText.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace velmora::app {
namespace {

constexpr QSize WindowSize(682, 411);
constexpr int ListPanelHeight = 105;
constexpr int SplitterHeight = 10;
constexpr int ViewHeight = 255;
constexpr int ButtonPanelHeight = 41;
constexpr int PublishedWidth = 160;
constexpr QRect ExitButtonGeometry(304, 7, 97, 20);

enum Column { TitleColumn, PublishedColumn, IdColumn };

// A selection model that asks before anything moves: the list's "changing" notification,
// which may refuse the change.
class AskingSelectionModel final : public QItemSelectionModel {
public:
    AskingSelectionModel(QAbstractItemModel* model, std::function<bool()> allowed, QObject* parent)
        : QItemSelectionModel(model, parent), m_allowed(std::move(allowed)) {}

    void setCurrentIndex(const QModelIndex& index, SelectionFlags command) override {
        if (allowed())
            QItemSelectionModel::setCurrentIndex(index, command);
    }
    void select(const QModelIndex& index, SelectionFlags command) override {
        if (allowed())
            QItemSelectionModel::select(index, command);
    }
    void select(const QItemSelection& selection, SelectionFlags command) override {
        if (allowed())
            QItemSelectionModel::select(selection, command);
    }
    // From now on every change goes through: whoever was asked is going away.
    void stopAsking() { m_allowed = nullptr; }

private:
    bool allowed() const { return !m_allowed || m_allowed(); }

    std::function<bool()> m_allowed;
};

QFrame* framedPanel(QWidget* parent, const char* name) {
    auto* panel = new QFrame(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    return panel;
}

// The id, title and published fields of a record; missing fields are empty.
struct NewsRow {
    QByteArray id;
    QByteArray title;
    QByteArray published;
};

NewsRow readRecord(QByteArrayView record) {
    QList<QByteArray> fields;
    util::SplitAtChar('^', record, fields);
    fields.resize(std::max<qsizetype>(fields.size(), 3));
    return {fields[0], fields[1], fields[2]};
}

} // namespace

TfrmNews::TfrmNews(QList<QByteArray> NewsList, std::optional<news::NewsAccount> account,
                   news::NewsClient& IdHTTP1, NewsWindowServices services, QWidget* parent)
    : QDialog(parent), m_newsList(std::move(NewsList)), m_account(std::move(account)), m_client(IdHTTP1),
      m_services(std::move(services)) {
    setObjectName(QStringLiteral("frmNews"));
    setWindowTitle(QStringLiteral("News"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    bsSkinSplitter1 = new QSplitter(Qt::Vertical, this);
    bsSkinSplitter1->setObjectName(QStringLiteral("bsSkinSplitter1"));
    bsSkinSplitter1->setHandleWidth(SplitterHeight);
    bsSkinSplitter1->setChildrenCollapsible(false);
    layout->addWidget(bsSkinSplitter1, 1);

    bsSkinPanel1 = framedPanel(bsSkinSplitter1, "bsSkinPanel1");
    bsSkinPanel1->setMinimumHeight(SplitterHeight);
    auto* listLayout = new QVBoxLayout(bsSkinPanel1);
    listLayout->setContentsMargins(0, 0, 0, 0);
    lvwItems = new QTreeWidget(bsSkinPanel1);
    lvwItems->setObjectName(QStringLiteral("lvwItems"));
    listLayout->addWidget(lvwItems);
    lvwItems->setColumnCount(3);
    lvwItems->setHeaderLabels({QStringLiteral("News Title"), QStringLiteral("Published"), QString()});
    lvwItems->setColumnHidden(IdColumn, true);
    lvwItems->setRootIsDecorated(false);
    lvwItems->setItemsExpandable(false);
    lvwItems->setUniformRowHeights(true);
    lvwItems->setAllColumnsShowFocus(true);
    lvwItems->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvwItems->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwItems->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvwItems->verticalScrollBar()->setObjectName(QStringLiteral("bsSkinScrollBar1"));
    lvwItems->horizontalScrollBar()->setObjectName(QStringLiteral("bsSkinScrollBar2"));
    QHeaderView* header = lvwItems->header();
    header->setStretchLastSection(false);
    header->setSectionsMovable(false);
    header->setSectionResizeMode(TitleColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(PublishedColumn, QHeaderView::Fixed);
    header->resizeSection(PublishedColumn, PublishedWidth);
    // Its own type, which the skin's general font must not override.
    lvwItems->setStyleSheet(QStringLiteral("QTreeWidget { font-family: Arial; font-size: 14px; }"));
    // The selected row stays marked while the focus is elsewhere (on Close, in the text).
    QPalette palette = lvwItems->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    lvwItems->setPalette(palette);
    auto* selection = new AskingSelectionModel(
        lvwItems->model(), [this] { return lvwItemsChanging(); }, lvwItems);
    QItemSelectionModel* original = lvwItems->selectionModel();
    lvwItems->setSelectionModel(selection);
    delete original;
    m_selection = selection;

    prfEditorNews = m_services.htmlViewFactory(bsSkinSplitter1);
    prfEditorNews->setObjectName(QStringLiteral("prfEditorNews"));
    prfEditorNews->setMinimumHeight(SplitterHeight);
    bsSkinSplitter1->addWidget(bsSkinPanel1);
    bsSkinSplitter1->addWidget(prfEditorNews);
    bsSkinSplitter1->setStretchFactor(0, 0);
    bsSkinSplitter1->setStretchFactor(1, 1);
    bsSkinSplitter1->setSizes({ListPanelHeight, ViewHeight});

    bsSkinPanel3 = framedPanel(this, "bsSkinPanel3");
    bsSkinPanel3->setFixedHeight(ButtonPanelHeight);
    layout->addWidget(bsSkinPanel3);
    // The button keeps its relative place as the window is resized: the room on either side
    // grows in the proportion of the design.
    auto* buttonRow = new QHBoxLayout(bsSkinPanel3);
    const int frame = bsSkinPanel3->frameWidth(); // the layout works inside the frame
    buttonRow->setContentsMargins(0, ExitButtonGeometry.top() - frame, 0,
                                  ButtonPanelHeight - ExitButtonGeometry.bottom() - 1 - frame);
    buttonRow->setSpacing(0);
    btnExit = new QPushButton(QStringLiteral("Close"), bsSkinPanel3);
    btnExit->setObjectName(QStringLiteral("btnExit"));
    btnExit->setFixedSize(ExitButtonGeometry.size());
    btnExit->setAutoDefault(false);
    buttonRow->addStretch(ExitButtonGeometry.left());
    buttonRow->addWidget(btnExit, 0, Qt::AlignTop);
    buttonRow->addStretch(WindowSize.width() - ExitButtonGeometry.right() - 1);

    resize(WindowSize);
    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    connect(selection, &QItemSelectionModel::selectionChanged, this,
            guarded(m_services.reporter, [this] { lvwItemsChange(); }));
    connect(lvwItems, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
        runGuarded(m_services.reporter, [&] { retryFailedItem(item); });
    });
    connect(btnExit, &QPushButton::clicked, this, guarded(m_services.reporter, [this] { btnExitClick(); }));
}

TfrmNews::~TfrmNews() {
    // The list goes with the window's children, after this window has ceased to be one: its
    // last selection changes must reach nothing of it.
    static_cast<AskingSelectionModel*>(m_selection)->stopAsking();
    m_selection->disconnect(this);
}

void TfrmNews::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    runGuarded(m_services.reporter, [this] { FormShow(); });
}

void TfrmNews::FormShow() {
    QList<QTreeWidgetItem*> items;
    for (const QByteArray& record : std::as_const(m_newsList)) {
        const NewsRow row = readRecord(record);
        auto* item = new QTreeWidgetItem;
        item->setText(TitleColumn, util::toWidgetText(row.title));
        item->setText(PublishedColumn, util::toWidgetText(row.published));
        item->setText(IdColumn, util::toWidgetText(row.id));
        // The id goes back to the service as the bytes it came as.
        item->setData(IdColumn, Qt::UserRole, row.id);
        items.append(item);
    }
    lvwItems->addTopLevelItems(items);
    lvwItems->setFocus();
}

bool TfrmNews::lvwItemsChanging() const {
    return !bLoadingDetails;
}

void TfrmNews::lvwItemsChange() {
    const QList<QTreeWidgetItem*> selected = lvwItems->selectedItems();
    if (selected.isEmpty() || !m_account)
        return;
    const QByteArray NewsId = selected.front()->data(IdColumn, Qt::UserRole).toByteArray();
    setLoading(true);
    m_client.GetNewsDetails(*m_account, NewsId, this, [this, NewsId](const news::NewsDetailsResult& result) {
        runGuarded(m_services.reporter, [&] { GetNewsDetailsDone(NewsId, result); });
    });
}

void TfrmNews::GetNewsDetailsDone(const QByteArray& NewsId, const news::NewsDetailsResult& result) {
    // The list is free again on every way out, a failure to store the id included.
    struct Unlock {
        TfrmNews* window;
        ~Unlock() { window->setLoading(false); }
    } unlock{this};
    if (result.aborted)
        return;
    if (!result.message.isEmpty())
        m_services.messageBox.warning(this, result.message);
    if (!result.ok)
        return; // the previous text stays
    prfEditorNews->setHtmlSource(result.Html);
    m_shownId = NewsId;
    m_services.storeReadId(NewsId);
}

void TfrmNews::retryFailedItem(QTreeWidgetItem* item) {
    // A click on the row that is already selected changes nothing, so its text is fetched
    // again only when it is not the one on show (its fetch failed).
    if (bLoadingDetails || !item || lvwItems->selectedItems().value(0) != item)
        return;
    if (m_shownId != item->data(IdColumn, Qt::UserRole).toByteArray())
        lvwItemsChange();
}

void TfrmNews::setLoading(bool loading) {
    bLoadingDetails = loading;
    for (QWidget* widget : {static_cast<QWidget*>(this), static_cast<QWidget*>(lvwItems),
                            static_cast<QWidget*>(prfEditorNews)}) {
        if (loading)
            widget->setCursor(Qt::WaitCursor);
        else
            widget->unsetCursor();
    }
}

void TfrmNews::btnExitClick() {
    accept();
}

} // namespace velmora::app
