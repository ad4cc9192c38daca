#pragma once

// What the keyword-list window decides, without its widgets: the form's market and pause checked
// into the runner's values with a sentence for each field in error, the buttons each state of a
// run allows, and the lines it shows.

#include "search/KeywordList.h"
#include "search/SearchPacing.h"
#include "search/SearchUrl.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace velmora::history {
class HistoryStore;
}

namespace velmora::app {

// The form's fields as typed.
struct ListFormFields {
    QString country;
    QString language;
    int pauseMin = 20;
    int pauseMax = 40;
};

// The fields checked: the values a run takes, and one sentence for each field in error.
struct ListFormCheck {
    search::Market market;
    search::PauseRange pause;
    QString countryError;
    QString languageError;
    QString pauseError;

    bool ok() const { return countryError.isEmpty() && languageError.isEmpty() && pauseError.isEmpty(); }
};

ListFormCheck CheckListForm(const ListFormFields& fields);

// A keyword list file: refused with a sentence naming it when it is larger than MostListBytes
// (shown in a window it would hold it for long, and no list of keywords is that long), cannot be
// read, or is UTF-16 text.
constexpr qint64 MostListBytes = qint64(16) << 20;
search::KeywordList ReadKeywordListFile(const QString& fileName);

// Where a list run stands, as the window shows it.
enum class ListRunState {
    Idle,    // nothing running: a list may be started
    Running, // searching, or waiting out the pause before the next search
    Paused,  // by the user, after failures, or at the engine's question: it may go on or stop
};

// Which of Start, Pause, Resume and Stop mean something in a state. Start also needs keywords.
struct ListButtons {
    bool start = false;
    bool pause = false;
    bool resume = false;
    bool stop = false;
    bool fields = false; // the list, market, device and pause can be changed

    friend bool operator==(const ListButtons&, const ListButtons&) = default;
};

ListButtons ButtonsFor(ListRunState state, bool haveKeywords);

// The name a list is stored and offered under: the file's base name, or for a pasted list its
// first keyword.
QString ListName(const QString& fileName, const QList<QByteArray>& keywords);

// One unfinished list of the history, as the window offers it.
struct ListOffer {
    QString name;
    QString text; // "Resume the list 'shoes' (188 of 300 left)"
};

// The unfinished lists of the history, newest first; store() opens the history when it is asked.
// The one place that reads them: it is to call history::ListStore(*store()).unfinished() and
// history::ResumeOffer(); until the list store is in the history it finds none, and opens nothing.
QList<ListOffer> UnfinishedListOffers(const std::function<history::HistoryStore*()>& store);

} // namespace velmora::app
