#pragma once

#include "util/BrowserCommand.h"

#include <QByteArray>
#include <QProcessEnvironment>

#include <optional>

namespace velmora::util {

// The browser that the freedesktop.org mime-apps rules name as the handler of http links:
// the first desktop entry that x-scheme-handler/http resolves to (mimeapps.list defaults,
// then added associations, then the applications' mimeinfo.cache) that is not hidden and
// whose Exec value expands. Empty when nothing is registered. The environment supplies the
// XDG directories.
std::optional<BrowserCommand> FindXdgHttpHandler(const QProcessEnvironment& environment);

} // namespace velmora::util
