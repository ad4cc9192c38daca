// A second yardstick of bench/startup.sh: the standard widgets that velmora's main page is made
// of (a caption, a line edit, push buttons, a table with its header, a status bar with a gauge),
// styled by the stored skin's sheet, in a window of the same size, and no program behind them.
// Against it, velmora's start shows what the program itself adds; against the bare window, what
// showing text and controls at all costs.
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QFile sheet(QStringLiteral(VELMORA_STORED_SKIN));
    if (sheet.open(QIODevice::ReadOnly))
        application.setStyleSheet(QString::fromUtf8(sheet.readAll()));

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Widgets window"));
    auto* page = new QWidget(&window);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* toolbar = new QWidget(page);
    toolbar->setFixedHeight(37);
    auto* caption = new QLabel(QStringLiteral("Keyword:"), toolbar);
    caption->move(10, 12);
    (new QLineEdit(toolbar))->setGeometry(70, 9, 147, 18);
    int left = 222;
    for (const char* text : {"Search", "Clear results", "Export To CSV", "Make Money", "About"}) {
        (new QPushButton(QString::fromLatin1(text), toolbar))->setGeometry(left, 6, 90, 25);
        left += 95;
    }
    layout->addWidget(toolbar);

    auto* model = new QStandardItemModel(0, 4, &window);
    model->setHorizontalHeaderLabels({QStringLiteral("Keyword"), QStringLiteral("Position"),
                                      QStringLiteral("Title"), QStringLiteral("Ad Text")});
    auto* table = new QTableView(page);
    table->setModel(model);
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table, 1);
    window.setCentralWidget(page);

    auto* status = new QStatusBar(&window);
    status->addWidget(new QLabel(QStringLiteral("Ready"), status), 1);
    status->addPermanentWidget(new QProgressBar(status));
    window.setStatusBar(status);

    window.resize(834, 539);
    window.move(window.screen()->availableGeometry().center() - window.rect().center());
    window.show();
    return application.exec();
}
