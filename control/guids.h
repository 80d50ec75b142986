// The control's identifiers that the type library does not carry. Its
// class, interfaces and library come from the compiled IDL (corvela_h.h).
#pragma once

#include <windows.h>

#include "corvela_h.h"

namespace corvela {

// {EFD14063-0961-4B3C-A547-3EA9E78FA9F3}
constexpr CLSID CLSID_CorvelaPropPage = {
    0xEFD14063, 0x0961, 0x4B3C, {0xA5, 0x47, 0x3E, 0xA9, 0xE7, 0x8F, 0xA9, 0xF3}};

// The platform's standard component categories.
constexpr GUID CATID_SafeForScriptingCategory = {
    0x7DD95801, 0x9882, 0x11CF, {0x9F, 0xA9, 0x00, 0xAA, 0x00, 0x6C, 0x42, 0xC4}};
constexpr GUID CATID_SafeForInitializingCategory = {
    0x7DD95802, 0x9882, 0x11CF, {0x9F, 0xA9, 0x00, 0xAA, 0x00, 0x6C, 0x42, 0xC4}};

constexpr WORD CORVELA_LIBRARY_MAJOR = 1;
constexpr WORD CORVELA_LIBRARY_MINOR = 0;

// OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT |
// OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST
constexpr DWORD CORVELA_MISC_STATUS = 0x20191;

constexpr wchar_t CORVELA_CONTROL_PROGID[] = L"CORVELA.CorvelaCtrl.1";

}  // namespace corvela
