#include "util/NetworkAccess.h"

#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkProxy>

namespace velmora::util {

QNetworkAccessManager* NewDirectNetworkAccess(QObject* parent) {
    auto* manager = new QNetworkAccessManager(parent);
    manager->setProxy(QNetworkProxy::NoProxy);
    manager->setCookieJar(new QNetworkCookieJar(manager));
    manager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
    manager->setTransferTimeout(0);
    return manager;
}

} // namespace velmora::util
