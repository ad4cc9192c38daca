#pragma once

#include <QByteArray>
#include <QProcessEnvironment>

namespace velmora::util {

// The program that the freedesktop.org mime-apps rules name as the handler of http links:
// the desktop entry that x-scheme-handler/http resolves to (mimeapps.list defaults, then
// added associations, then the applications' mimeinfo.cache), and the program of its Exec
// line. Empty when nothing is registered. The environment supplies the XDG directories.
QByteArray FindXdgHttpHandlerProgram(const QProcessEnvironment& environment);

} // namespace velmora::util
