#pragma once

class QNetworkAccessManager;
class QObject;

namespace velmora::util {

// A network access manager as the program's clients use it: direct connections (no proxy),
// cookies kept in memory for the manager's life and never saved, redirects followed unless
// they lead from https to http, and no time-out while a slow server sends. Clients make theirs
// with the first request: setting one up costs memory that a start without network use
// should not pay.
QNetworkAccessManager* NewDirectNetworkAccess(QObject* parent);

} // namespace velmora::util
