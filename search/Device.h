#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace velmora::search {

// What the engine is asked as: a desktop browser (the page downloaded, scripts only when the
// engine insists) or a phone (the page loaded with scripts, a phone's user agent and screen).
enum class Device { Desktop, Phone };

// "desktop" or "phone", as the history stores it and the command line takes it.
inline QString DeviceName(Device device) {
    return device == Device::Phone ? QStringLiteral("phone") : QStringLiteral("desktop");
}

// The device a name gives; nothing for any other name.
inline std::optional<Device> DeviceFromName(QByteArrayView name) {
    if (name == "desktop")
        return Device::Desktop;
    if (name == "phone")
        return Device::Phone;
    return std::nullopt;
}

} // namespace velmora::search
