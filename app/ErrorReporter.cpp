#include "app/ErrorReporter.h"

#include <QMessageBox>
#include <QPointer>

#include <cstdio>

namespace velmora::app {

QString describeCurrentException() {
    try {
        throw;
    } catch (const std::exception& error) {
        // The program's own messages are plain ASCII; anything else is shown as it comes.
        return QString::fromLocal8Bit(error.what());
    } catch (...) {
        return QStringLiteral("An unknown error occurred.");
    }
}

void DialogErrorReporter::report(const QString& message) {
    const QByteArray line = message.toLocal8Bit() + '\n';
    std::fputs(line.constData(), stderr);
    std::fflush(stderr);

    if (m_dialogOpen || qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        return;
    m_dialogOpen = true;
    QPointer<QWidget> parent = QApplication::activeWindow();
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), message, QMessageBox::Ok, parent);
    box.exec();
    m_dialogOpen = false;
}

ReportingApplication::ReportingApplication(int& argc, char** argv, ErrorReporter& reporter)
    : QApplication(argc, argv), m_reporter(reporter) {}

bool ReportingApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        m_reporter.report(describeCurrentException());
        return false;
    }
}

} // namespace velmora::app
