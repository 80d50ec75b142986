#include "shell/runnable_file.h"

#include <windows.h>
#include <shlwapi.h>

#include "common/wide.h"
#include "framework/handles.h"
#include "shell/open_command.h"

namespace corvela {
namespace {

// Every Windows program image starts with the letters of the DOS header.
constexpr char IMAGE_SIGNATURE[] = {'M', 'Z'};

bool StartsWithImageSignature(const Text& path) {
    KernelHandle file(CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    char head[sizeof IMAGE_SIGNATURE] = {};
    DWORD read = 0;
    return ReadFile(file.Get(), head, sizeof head, &read, nullptr) && read == sizeof head &&
           head[0] == IMAGE_SIGNATURE[0] && head[1] == IMAGE_SIGNATURE[1];
}

bool IsExecutableImage(const Text& path) {
    DWORD binary_type = 0;
    return GetBinaryTypeW(W(path), &binary_type) || StartsWithImageSignature(path);
}

}  // namespace

bool CouldRunCode(const Text& path, const Text& contents) {
    if (IsDangerousToOpen(path)) return true;
    const Text extension = u"." + OpenCommandExtension(path);
    if (AssocIsDangerous(W(extension))) return true;
    return IsExecutableImage(contents);
}

}  // namespace corvela
