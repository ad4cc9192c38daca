#pragma once

#include "app/ErrorReporter.h"
#include "app/HtmlView.h"
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

    QByteArray browser = "/usr/bin/test-browser";
    bool throwOnBrowserLookup = false;
    QList<Start> started;
    QList<QByteArray> opened;

    QByteArray registeredBrowserProgram() override {
        if (throwOnBrowserLookup)
            throw std::runtime_error("The browser registration cannot be read.");
        return browser;
    }
    bool startDetached(const QString& program, const QList<QString>& arguments) override {
        started.append({program, arguments});
        return true;
    }
    bool openWithShell(const QByteArray& url) override {
        opened.append(url);
        return true;
    }
};

class RecordingReporter final : public app::ErrorReporter {
public:
    QStringList messages;
    void report(const QString& message) override { messages.append(message); }
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
