#pragma once

#include <QIcon>
#include <QPixmap>

namespace velmora::app {

// Velmora's own icon, in every size it is drawn in: the application-wide window icon
// until a reseller's icon replaces it.
QIcon VelmoraIcon();

// A PNG picture of the resources, read as the PNG it is. Left to guess the format (as QIcon's
// addFile and QPixmap's load do), Qt loads every image plugin there is, with the libraries
// behind them, to ask each one: a cost to every start in time and memory.
QPixmap ResourcePng(const QString& path);

} // namespace velmora::app
