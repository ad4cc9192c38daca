#pragma once

// The browser launch: a link opened in the registered browser.

#include <QByteArray>

namespace velmora::util {

class Platform;

// Starts the registered browser with the URL. Returns false when no browser is registered,
// true otherwise; *started (when given) tells whether the browser program actually started.
bool OpenUrlInBrowser(const QByteArray& url, Platform& platform, bool* started = nullptr);

} // namespace velmora::util
