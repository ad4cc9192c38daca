#include "util/platform/WindowsShell.h"

#include <stdexcept>
#include <vector>

#include <windows.h>

#include <shellapi.h>

namespace velmora::util::windows {

std::string ReadHttpOpenCommand() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "http\\shell\\open\\command", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    DWORD type = 0;
    DWORD size = 0;
    std::string value;
    LONG status = RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size);
    if (status == ERROR_SUCCESS && type != REG_SZ && type != REG_EXPAND_SZ) {
        RegCloseKey(key);
        throw std::runtime_error("Invalid data type for ''");
    }
    if (status == ERROR_SUCCESS && size > 0) {
        std::vector<char> buffer(size + 1, '\0');
        status =
            RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size);
        if (status == ERROR_SUCCESS)
            value.assign(buffer.data());
    }
    RegCloseKey(key);
    return value;
}

bool ShellOpen(const std::wstring& file, const std::wstring& parameters) {
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", file.c_str(), parameters.c_str(), nullptr, SW_SHOW));
    return result > 32;
}

std::wstring LastErrorText() {
    const DWORD code = GetLastError();
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring result = length > 0 ? std::wstring(text, length) : L"Error " + std::to_wstring(code);
    if (text)
        LocalFree(text);
    while (!result.empty() && (result.back() == L'\r' || result.back() == L'\n' || result.back() == L' '))
        result.pop_back();
    return result;
}

} // namespace velmora::util::windows
