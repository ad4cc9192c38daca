#pragma once

// The decrypted settings text: its line rules and the one item the program writes itself.
// Everything here works on bytes in memory; SettingsFile.h puts the file around it.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace velmora::app {

// The item that keeps the id of the last news item read.
inline constexpr QByteArrayView LastNewsIdStart = "<%%LastNewsId%%>";
inline constexpr QByteArrayView LastNewsIdEnd = "<%%/LastNewsId%%>";

// The lines of a settings text: a line ends at CR, LF or CR LF (LF CR is two endings), and a
// NUL byte ends the whole text. A last line without an ending still counts; a final line
// ending does not start another, empty line. The views point into text.
QList<QByteArrayView> SettingsLines(QByteArrayView text);

// The lines joined again with CR LF after each: the text every item search runs on. Joining
// an already joined text gives it back unchanged.
QByteArray JoinedSettingsText(QByteArrayView text);

// The stored last news id: the first LastNewsId item anywhere in the text, its tag found
// without regard to letter case. Empty when there is none.
QByteArray LastNewsIdOf(QByteArrayView settingsText);

// The settings text with value stored as the last news id: the first line that holds the
// opening tag in exact case is replaced whole by the item, otherwise the item becomes the last
// line. The lines are joined with CR LF after each.
QByteArray WithLastNewsId(QByteArrayView settingsText, QByteArrayView value);

} // namespace velmora::app
