#include "util/BrowserCommand.h"

#include "html/AsciiCase.h"

namespace velmora::util {
namespace {

// Blanks between the words of an Exec value.
bool isExecBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

} // namespace

QByteArray CutWindowsBrowserCommand(QByteArrayView command) {
    QByteArray lowered = command.toByteArray();
    for (char& c : lowered)
        c = ascii::toLower(c);
    const qsizetype exe = lowered.indexOf(".exe");
    QByteArray program = (exe < 0 ? QByteArray() : lowered.left(exe)) + ".exe";
    program.replace('"', QByteArray());
    return program;
}

std::optional<CommandLine> ExpandBrowserCommand(const BrowserCommand& command, QByteArrayView url) {
    const QByteArrayView exec = command.exec;
    QList<QByteArray> words;
    bool urlCodeSeen = false;
    bool urlPlaced = false;
    qsizetype i = 0;
    for (int sourceWord = 0;; ++sourceWord) {
        while (i < exec.size() && isExecBlank(exec[i]))
            ++i;
        if (i >= exec.size())
            break;
        QByteArray text;
        bool keep = false;    // literal text, quotes, or a field code that gave text
        bool lostUrl = false; // a URL field code with no URL left for it
        bool iconCode = false;
        bool quoted = false;
        for (; i < exec.size() && (quoted || !isExecBlank(exec[i])); ++i) {
            const char c = exec[i];
            if (c == '"') {
                quoted = !quoted;
                keep = true;
                continue;
            }
            if (c == '\\' && i + 1 < exec.size()) {
                const char next = exec[i + 1];
                if (!quoted || next == '"' || next == '`' || next == '$' || next == '\\') {
                    text.append(next);
                    keep = true;
                    ++i;
                    continue;
                }
            }
            if (c != '%') {
                text.append(c);
                keep = true;
                continue;
            }
            if (++i >= exec.size())
                return std::nullopt;
            const char code = exec[i];
            if (code == '%') {
                text.append('%');
                keep = true;
                continue;
            }
            if (sourceWord == 0)
                return std::nullopt; // the program itself must be plain text
            switch (code) {
            case 'u':
            case 'U':
            case 'f':
            case 'F':
                // One URL only: a second URL field code has nothing left to stand for.
                urlCodeSeen = true;
                if (urlPlaced || url.isEmpty()) {
                    lostUrl = true;
                } else {
                    text.append(url);
                    keep = urlPlaced = true;
                }
                break;
            case 'i':
                // Two arguments, but only as a word of its own; inside a word it is dropped.
                iconCode = text.isEmpty() && !keep;
                break;
            case 'c':
            case 'k': {
                const QByteArray& value = code == 'c' ? command.name : command.location;
                text.append(value);
                keep = keep || !value.isEmpty();
                break;
            }
            case 'd':
            case 'D':
            case 'n':
            case 'N':
            case 'v':
            case 'm':
                break; // deprecated: dropped
            default:
                return std::nullopt;
            }
        }
        if (quoted)
            return std::nullopt;
        if (lostUrl)
            continue;
        if (iconCode && !keep) {
            if (!command.icon.isEmpty())
                words << QByteArrayLiteral("--icon") << command.icon;
        } else if (keep) {
            words.append(text);
        }
    }
    if (words.isEmpty() || words.front().isEmpty())
        return std::nullopt;
    if (!urlCodeSeen && !url.isEmpty())
        words.append(url.toByteArray());
    CommandLine line;
    line.program = words.takeFirst();
    line.arguments = words;
    return line;
}

BrowserCommand WindowsBrowserCommand(QByteArrayView registeredCommand) {
    QByteArray exec = "\"";
    for (const char c : CutWindowsBrowserCommand(registeredCommand)) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            exec.append('\\');
        exec.append(c);
    }
    exec.append("\" %u");
    return BrowserCommand{exec, {}, {}, {}};
}

} // namespace velmora::util
