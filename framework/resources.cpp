#include "framework/resources.h"

#include "common/constants.h"
#include "common/language.h"
#include "common/wide.h"

namespace corvela {
namespace {

HRSRC FindInLanguage(LPCWSTR type, LPCWSTR name, uint16_t language) {
    HINSTANCE instance = ModuleInstance();
    if (HRSRC found = FindResourceExW(instance, type, name, language)) return found;
    if (HRSRC found = FindResourceExW(instance, type, name, LANGUAGE_ENGLISH)) return found;
    return FindResourceW(instance, name, type);
}

// A string table block holds 16 counted strings.
Text StringFromBlock(HRSRC block, UINT id) {
    HGLOBAL loaded = LoadResource(ModuleInstance(), block);
    auto* entry = static_cast<const WCHAR*>(LockResource(loaded));
    if (!entry) return Text();
    for (UINT index = 0; index < (id & 15); ++index) entry += 1 + *entry;
    return FromW(entry + 1, *entry);
}

}  // namespace

HINSTANCE ModuleInstance() {
    static HINSTANCE instance = [] {
        HMODULE module = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&ModuleInstance), &module);
        return module;
    }();
    return instance;
}

Text ModulePath() {
    wchar_t path[MAX_PATH * 2] = {};
    const DWORD length = GetModuleFileNameW(ModuleInstance(), path, MAX_PATH * 2);
    return FromW(path, length);
}

Text ModuleTitle() {
    Text path = ModulePath();
    Text name = AfterLast(path, u'\\');
    const size_t dot = name.rfind(u'.');
    return dot == Text::npos ? name : name.substr(0, dot);
}

Text LoadResString(UINT id, uint16_t language) {
    HRSRC block = FindInLanguage(RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    return block ? StringFromBlock(block, id) : Text();
}

Text LoadResString(UINT id) { return LoadResString(id, ThreadLanguage()); }

const DLGTEMPLATE* FindDialogTemplate(UINT id, uint16_t language) {
    HRSRC found = FindInLanguage(RT_DIALOG, MAKEINTRESOURCEW(id), language);
    if (!found) return nullptr;
    return static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(ModuleInstance(), found)));
}

int ModuleMessageBox(HWND owner, const Text& text, UINT type) {
    return MessageBoxW(owner, W(text), W(ModuleTitle()), type);
}

}  // namespace corvela
