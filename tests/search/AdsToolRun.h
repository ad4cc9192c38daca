#pragma once

// Runs the built velmora-ads program the way a user or a script would.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace velmora::testing {

inline const QString kAdsTool = QStringLiteral(VELMORA_ADS_TOOL);

// The CSV header line the tool always writes first.
inline const QByteArray kHeader = "\"Ad Title\",\"Ad Text\",\"Ad URL\",\"Used Keyword\",\"Position\"\r\n";

// What a run gave; exit code -1 when the program did not start or finish normally.
struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

inline Run runProgram(const QString& program, const QStringList& arguments, const QByteArray& input = {},
                      const QString& stdoutFile = {}) {
    QProcess process;
    if (!stdoutFile.isEmpty())
        process.setStandardOutputFile(stdoutFile);
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return {};
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

inline Run runTool(const QStringList& arguments, const QByteArray& input = {},
                   const QString& stdoutFile = {}) {
    return runProgram(kAdsTool, arguments, input, stdoutFile);
}

} // namespace velmora::testing
