#pragma once

#include "app/ErrorReporter.h"
#include "app/HtmlView.h"
#include "app/MessageBox.h"
#include "app/OpenDialog.h"
#include "app/SaveDialog.h"
#include "util/Platform.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <stdexcept>

namespace velmora::testing {

// Records what the window asks of the shell and starts nothing.
class RecordingPlatform final : public util::Platform {
public:
    struct Start {
        QString program;
        QList<QString> arguments;
    };

    QByteArray browser = "/usr/bin/test-browser"; // started with the URL; empty: none registered
    bool throwOnBrowserLookup = false;
    bool startsPrograms = true; // what startDetached and openWithShell answer
    QList<Start> started;
    QList<QByteArray> opened;

    std::optional<util::BrowserCommand> registeredBrowserCommand() override {
        if (throwOnBrowserLookup)
            throw std::runtime_error("The browser registration cannot be read.");
        if (browser.isEmpty())
            return std::nullopt;
        return util::BrowserCommand{browser + " %u", {}, {}, {}};
    }
    // Why startDetached fails; empty: it starts everything.
    QString startFailure;

    bool startDetached(const QString& program, const QList<QString>& arguments, QString* reason) override {
        started.append({program, arguments});
        if (!startFailure.isEmpty()) {
            if (reason)
                *reason = startFailure;
            return false;
        }
        return startsPrograms;
    }
    bool openWithShell(const QByteArray& url) override {
        opened.append(url);
        return startsPrograms;
    }
};

class RecordingReporter final : public app::ErrorReporter {
public:
    QStringList messages;
    void report(const QString& message) override { messages.append(message); }
};

// Records every message and answers with the queued answers, then with Ok.
class RecordingMessageBox final : public app::MessageBox {
public:
    struct Shown {
        Kind kind;
        QString text;
        Buttons buttons;
    };
    QList<Shown> shown;
    QList<Answer> answers;

    Answer show(QWidget*, Kind kind, const QString& text, Buttons buttons) override {
        shown.append({kind, text, buttons});
        return answers.isEmpty() ? Answer::Ok : answers.takeFirst();
    }
    QStringList texts() const {
        QStringList result;
        for (const Shown& s : shown)
            result.append(s.text);
        return result;
    }
};

// Records each question and answers with the queued paths, then with a cancel.
class RecordingSaveDialog final : public app::SaveDialog {
public:
    struct Asked {
        QString title;
        QString filter;
        QString suffix;
    };
    QList<Asked> asked;
    QStringList answers;

    QString askFileName(QWidget*, const QString& title, const QString& filter,
                        const QString& suffix) override {
        asked.append({title, filter, suffix});
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
};

// Answers each question for a file to read with the queued paths, then with a cancel.
class RecordingOpenDialog final : public app::OpenDialog {
public:
    QStringList titles;
    QStringList answers;

    QString askFileName(QWidget*, const QString& title, const QString&) override {
        titles.append(title);
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
};

// Stands in for the web view so that no test starts the browser engine.
class FakeHtmlView final : public app::HtmlView {
public:
    using HtmlView::HtmlView;
    QByteArray html;
    void setHtmlSource(const QByteArray& source) override { html = source; }
};

// A factory that counts the views it makes.
struct FakeHtmlViewFactory {
    int* made;
    app::HtmlView* operator()(QWidget* parent) const {
        ++*made;
        return new FakeHtmlView(parent);
    }
};

} // namespace velmora::testing
