#pragma once

// The reseller's check of a plain settings text, run on the program's own reading code:
// errors are what the program would report when it loads the brand, warnings what it would
// silently lose.

#include "brand/BrandLoader.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <functional>

namespace velmora::brand {

struct Finding {
    enum class Severity { Error, Warning };
    Severity severity;
    int line; // 1-based line of the settings text; 0 when the finding has no line
    QString message;

    bool isError() const { return severity == Severity::Error; }
};

// What is wrong with a banner file when read as the given picture format; empty when the program
// would show it.
using PictureProblem = std::function<QString(const QString& fileName, const QByteArray& format)>;

// Findings for a plain settings text (as written; the program's line rules are applied here).
// bannerFiles tells which banner files are in the folder the program would run from;
// folderShown names that folder in messages. pictureProblem, when given, reads every banner
// file that is there as the program would show it.
QList<Finding> LintSettings(QByteArrayView plainText, const app::FileExists& bannerFiles,
                            const QString& folderShown, const PictureProblem& pictureProblem = {});

qsizetype ErrorCount(const QList<Finding>& findings);

} // namespace velmora::brand
