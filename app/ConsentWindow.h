#pragma once

#include <QString>
#include <QWidget>

class QLabel;

namespace velmora::search {
class OffscreenPage;
}

namespace velmora::app {

// The small window in which the user answers the search engine's own question (its consent
// page, its captcha) on the page a search loaded with scripts: one sentence says why it is
// shown, the page fills the rest. The search closes it once the results have come; a user who
// closes it gives up the search.
class ConsentWindow final : public QWidget {
    Q_OBJECT

public:
    ConsentWindow(search::OffscreenPage& page, const QString& sentence, QWidget* parent);

signals:
    // The user closed the window (its close button, Escape) before the results came.
    void closedByUser();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* m_reason;
};

} // namespace velmora::app
