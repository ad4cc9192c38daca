#include "util/UUtils.h"

#include "util/Platform.h"

namespace velmora::util {
namespace {

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

} // namespace

void SplitAtChar(char separator, QByteArrayView text, QList<QByteArray>& list) {
    list.clear();
    qsizetype fieldStart = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == separator) {
            list.append(text.sliced(fieldStart, i - fieldStart).toByteArray());
            fieldStart = i + 1;
        }
    }
    if (fieldStart < text.size())
        list.append(text.sliced(fieldStart).toByteArray());
}

QByteArray DecodeDollarEscapes(QByteArrayView text) {
    QByteArray result;
    result.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] != '$') {
            result.append(text[i]);
            ++i;
            continue;
        }
        // "$" and the (at most) two characters after it form one hexadecimal number;
        // "$" alone, or any non-digit among them, spoils the whole text.
        const QByteArrayView digits = text.sliced(i + 1, std::min<qsizetype>(2, text.size() - i - 1));
        if (digits.isEmpty())
            return {};
        int code = 0;
        for (char c : digits) {
            const int value = hexDigitValue(c);
            if (value < 0)
                return {};
            code = code * 16 + value;
        }
        result.append(char(code));
        i += 1 + digits.size();
    }
    return result;
}

QByteArray CutWindowsBrowserCommand(QByteArrayView command) {
    QByteArray lowered = command.toByteArray();
    for (char& c : lowered)
        c = lowerAscii(c);
    const qsizetype exe = lowered.indexOf(".exe");
    QByteArray program = (exe < 0 ? QByteArray() : lowered.left(exe)) + ".exe";
    program.replace('"', QByteArray());
    return program;
}

QByteArray ProgramOfDesktopExec(QByteArrayView exec) {
    // Desktop entry Exec rules: words are separated by blanks; a word may be quoted with
    // double quotes, inside which backslash escapes '"', '`', '$' and '\'. The first word
    // is the program; field codes (%u, %U, ...) and all arguments are dropped with the rest.
    qsizetype i = 0;
    while (i < exec.size() && (exec[i] == ' ' || exec[i] == '\t'))
        ++i;
    QByteArray program;
    bool quoted = false;
    for (; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '\\' && i + 1 < exec.size()) {
                program.append(exec[++i]);
            } else if (c == '"') {
                quoted = false;
            } else {
                program.append(c);
            }
            continue;
        }
        if (c == '"') {
            quoted = true;
        } else if (c == ' ' || c == '\t') {
            break;
        } else {
            program.append(c);
        }
    }
    // A program word that is itself a field code is no program.
    if (program.startsWith('%'))
        return {};
    return program;
}

bool OpenUrlInBrowser(const QByteArray& url, Platform& platform) {
    const QByteArray program = platform.registeredBrowserProgram();
    if (program.isEmpty())
        return false;
    // The URL goes over as one argument and never through a command interpreter, so no
    // character in it can start anything else.
    platform.startDetached(QString::fromLocal8Bit(program), {QString::fromLocal8Bit(url)});
    return true;
}

} // namespace velmora::util
