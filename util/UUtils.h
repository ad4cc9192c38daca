#pragma once

// The shared text routines and the browser launch.

#include "util/FileEncryption.h"
#include "util/MarkedText.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace velmora::util {

class Platform;

// Cuts text into fields at every separator byte. Empty fields between separators or
// before the first one are kept; an empty last field is dropped ("a^" gives "a").
void SplitAtChar(char separator, QByteArrayView text, QList<QByteArray>& list);

// Turns "$" followed by up to two hexadecimal digits back into the byte with that code.
// Any invalid escape makes the whole result empty.
QByteArray DecodeDollarEscapes(QByteArrayView text);

// Starts the browser registered for http links with the URL as its one argument.
// Returns false when no browser is registered; true otherwise, whether or not it started.
bool OpenUrlInBrowser(const QByteArray& url, Platform& platform);

// The program part of a registered Windows browser command: lower-cased (ASCII only),
// cut after the first ".exe", double quotes removed. No ".exe" leaves ".exe" alone.
QByteArray CutWindowsBrowserCommand(QByteArrayView command);

// The program of a desktop entry's Exec line: its first word (double quotes and the
// entry format's escapes honoured), without field codes or further arguments.
QByteArray ProgramOfDesktopExec(QByteArrayView exec);

} // namespace velmora::util
