#pragma once

// The shared text routines and the browser launch.

#include "util/BrowserCommand.h"
#include "util/FileEncryption.h"
#include "util/MarkedText.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>

namespace velmora::util {

class Platform;

// Cuts text into fields at every separator byte. Empty fields between separators or
// before the first one are kept; an empty last field is dropped ("a^" gives "a").
void SplitAtChar(char separator, QByteArrayView text, QList<QByteArray>& list);

// Turns "$" followed by up to two hexadecimal digits back into the byte with that code.
// Any invalid escape makes the whole result empty.
QByteArray DecodeDollarEscapes(QByteArrayView text);

// The command line that opens url, by the Exec rules of freedesktop.org desktop entry files:
// words split at unquoted blanks; double quotes group a word, inside them a backslash escapes
// '"', '`', '$' and '\'; %u %U %f %F become the URL, %% a percent sign, %i "--icon" and the
// icon, %c the name, %k the location; the deprecated %d %D %n %N %v %m are dropped. Without a
// URL field code the URL becomes the last argument. An empty URL passes no argument at all:
// a word holding a URL field code is dropped with it. Empty when the value is malformed (an
// open quote, an unknown field code, a field code in the program word, no program).
std::optional<CommandLine> ExpandBrowserCommand(const BrowserCommand& command, QByteArrayView url);

// The browser command of a registered Windows open command: its program as
// CutWindowsBrowserCommand gives it, with the URL as the whole parameter string.
BrowserCommand WindowsBrowserCommand(QByteArrayView registeredCommand);

// Starts the registered browser with the URL. Returns false when no browser is registered,
// true otherwise; *started (when given) tells whether the browser program actually started.
bool OpenUrlInBrowser(const QByteArray& url, Platform& platform, bool* started = nullptr);

// The program part of a registered Windows browser command: lower-cased (ASCII only),
// cut after the first ".exe", double quotes removed. No ".exe" leaves ".exe" alone.
QByteArray CutWindowsBrowserCommand(QByteArrayView command);

} // namespace velmora::util
