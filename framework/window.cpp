#include "framework/window.h"

namespace corvela {
namespace {

WindowBase* ObjectOf(HWND window) { return reinterpret_cast<WindowBase*>(GetWindowLongPtrW(window, GWLP_USERDATA)); }

// What a message answers when its handler threw: an exception must not
// unwind through the platform's code that called the window procedure. A
// window whose creation failed half-way is not created; any other message
// gets the default processing.
bool AnswerAfterException(UINT message, LRESULT* result) {
    if (message != WM_CREATE) return false;
    *result = -1;
    return true;
}

}  // namespace

WindowBase::~WindowBase() {
    if (window_ && ObjectOf(window_) == this) SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
}

HWND WindowBase::CreateWindowFor(DWORD extended_style, const wchar_t* class_name, const wchar_t* title, DWORD style,
                                 const RECT& position, HWND parent, HMENU menu, HINSTANCE instance) {
    return CreateWindowExW(extended_style, class_name, title, style, position.left, position.top,
                           position.right - position.left, position.bottom - position.top, parent, menu, instance,
                           this);
}

INT_PTR WindowBase::RunModalDialog(HINSTANCE instance, const DLGTEMPLATE* dialog_template, HWND owner) {
    return DialogBoxIndirectParamW(instance, dialog_template, owner, &WindowBase::DialogProcedure,
                                   reinterpret_cast<LPARAM>(this));
}

// The one place that finds the object behind a window. A window learns its
// object from its creation (WM_NCCREATE for a window, WM_INITDIALOG for a
// dialog) and forgets it with its last message.
bool WindowBase::Route(HWND window, const WindowMessage& message, LRESULT* result) {
    WindowBase* attaching = nullptr;
    if (message.id == WM_NCCREATE)
        attaching = static_cast<WindowBase*>(reinterpret_cast<const CREATESTRUCTW*>(message.lparam)->lpCreateParams);
    else if (message.id == WM_INITDIALOG)
        attaching = reinterpret_cast<WindowBase*>(message.lparam);
    if (attaching) {
        attaching->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(attaching));
    }
    WindowBase* object = ObjectOf(window);
    if (!object) return false;
    const bool held = object->HoldForMessage();
    bool handled = false;
    try {
        handled = object->OnMessage(message, result);
    } catch (...) {
        handled = AnswerAfterException(message.id, result);
    }
    if (message.id == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        object->window_ = nullptr;
    }
    if (held) object->LetGoAfterMessage();  // the object may be gone from here on
    return handled;
}

LRESULT CALLBACK WindowBase::WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    LRESULT result = 0;
    if (Route(window, {message, wparam, lparam}, &result)) return result;
    return DefWindowProcW(window, message, wparam, lparam);
}

INT_PTR CALLBACK WindowBase::DialogProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    LRESULT result = 0;
    if (!Route(window, {message, wparam, lparam}, &result)) return FALSE;
    // The focus answer of WM_INITDIALOG is the procedure's own result;
    // every other answer travels in the dialog's result slot.
    if (message == WM_INITDIALOG) return result;
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}

}  // namespace corvela
