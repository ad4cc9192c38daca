#pragma once

#include <QIcon>

namespace velmora::app {

// Velmora's own icon, in every size it is drawn in: the application-wide window icon
// until a reseller's icon replaces it.
QIcon VelmoraIcon();

} // namespace velmora::app
