#include "shell/open_file.h"

#include <shellapi.h>

#include "common/wide.h"
#include "framework/handles.h"
#include "shell/open_command.h"
#include "shell/platform_paths.h"
#include "shell/registry_key.h"
#include "shell/runnable_file.h"

namespace corvela {

Text GetOpenCommand(const Text& path) {
    CRegistryKey registry;
    Text class_name;
    if (!registry.QueryString(FileTypeKeyPath(path), Text(), &class_name)) return Text();
    Text command;
    if (!registry.QueryString(OpenCommandKeyPath(class_name), Text(), &command)) return Text();
    return command;
}

HANDLE RunCommandLine(const Text& command_line, WORD show_command, const Text* current_directory,
                      DWORD* process_id) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show_command;
    PROCESS_INFORMATION process = {};
    Text writable = command_line;  // CreateProcessW may write into its command line
    if (!CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(&writable[0]), nullptr, nullptr, FALSE,
                        NORMAL_PRIORITY_CLASS, nullptr,
                        current_directory ? W(*current_directory) : nullptr, &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    if (process_id) *process_id = process.dwProcessId;
    return process.hProcess;
}

HANDLE ShellOpenFile(HWND owner, const Text& file, const Text& parameters) {
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = owner;
    info.lpVerb = L"open";
    info.lpFile = W(file);
    info.lpParameters = W(parameters);
    info.nShow = SW_SHOW;
    if (!ShellExecuteExW(&info)) return nullptr;
    return info.hProcess;
}

// The path is judged, and opened, as the platform resolves it: a name that
// only looks harmless in the page's spelling ("setup.exe\.") is judged by
// the file it names.
void OpenDownloadedFile(const Text& path) {
    if (IsDangerousToOpen(path)) return;
    const Text resolved = FullPath(path);
    if (CouldRunCode(resolved)) return;
    const LaunchPlan plan = PlanLaunch(GetOpenCommand(resolved), resolved);
    KernelHandle launched(plan.use_shell_open ? ShellOpenFile(nullptr, resolved, Text())
                                              : RunCommandLine(plan.command_line, SW_SHOW, nullptr, nullptr));
}

}  // namespace corvela
