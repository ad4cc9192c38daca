#pragma once

// The Windows facilities behind the platform layer; compiled on Windows only.

#include <string>

namespace velmora::util::windows {

// Default value of HKEY_CLASSES_ROOT\http\shell\open\command, or empty when the key or
// value is missing. A value that is not a string throws std::runtime_error
// "Invalid data type for ''" (the default value has no name).
std::string ReadHttpOpenCommand();

// ShellExecute with the verb "open", no working directory, no parent window, SW_SHOW.
bool ShellOpen(const std::wstring& file, const std::wstring& parameters);

// The system's text for the calling thread's last error.
std::wstring LastErrorText();

} // namespace velmora::util::windows
