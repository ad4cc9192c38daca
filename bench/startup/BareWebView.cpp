// The yardstick of bench/startup.sh's welcome-page pair: a bare web view with the main window's
// client area showing the page of the file given, set up as any program that shows a page at once
// (the engine linked in, the shared-context attribute set before the application object).
//
//   startup_bare_webview PAGE.html
#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QUrl>
#include <QWebEngineView>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PAGE.html\n", argv[0]);
        return 2;
    }
    QFile page(QString::fromLocal8Bit(argv[1]));
    if (!page.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 2;
    }
    QWebEngineView view;
    view.setWindowTitle(QStringLiteral("Bare web view"));
    view.resize(834, 539);
    view.move(view.screen()->availableGeometry().center() - view.rect().center());
    view.setContent(page.readAll(), QStringLiteral("text/html"), QUrl());
    view.show();
    return application.exec();
}
