// Stands in for an application that the system launches for a file type:
// appends the command line it received, as one UTF-8 line, to the file named
// by CORVELA_LAUNCH_LOG, and exits.
#include <windows.h>

#include <string>

int wmain(int, wchar_t**) {
    wchar_t log_path[MAX_PATH * 2] = {};
    if (!GetEnvironmentVariableW(L"CORVELA_LAUNCH_LOG", log_path, MAX_PATH * 2)) return 1;
    const std::wstring line = std::wstring(GetCommandLineW()) + L"\n";
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), nullptr, 0,
                                          nullptr, nullptr);
    std::string utf8(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), &utf8[0], bytes, nullptr, nullptr);
    HANDLE file = CreateFileW(log_path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    DWORD written = 0;
    WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    CloseHandle(file);
    return 0;
}
