// A window of ours: the control's, the page host's, a modal dialog's. One
// thunk serves them all: it finds the object behind the window, keeps it for
// the length of the message and hands the message to the object's message
// map. A map names a handler per message; each handler takes that message's
// arguments unpacked and typed, and never sees WPARAM or LPARAM:
//
//   bool CMyWindow::OnMessage(const WindowMessage& message, LRESULT* result) {
//       return On<WM_SIZE>(message, result, this, &CMyWindow::OnSize) ||
//              On<WM_CLOSE>(message, result, this, &CMyWindow::OnClose);
//   }
//
// A message the map does not answer gets the platform's default processing.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace corvela {

// One message as the platform delivered it.
struct WindowMessage {
    UINT id;
    WPARAM wparam;
    LPARAM lparam;
};

class WindowBase {
public:
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

    HWND Handle() const { return window_; }

    // The procedure that a window class of ours names.
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

protected:
    WindowBase() = default;
    // A window that outlives its object no longer reaches it.
    virtual ~WindowBase();

    // The message map: answers the message and returns true, or returns
    // false to leave it to the platform's default processing.
    virtual bool OnMessage(const WindowMessage& message, LRESULT* result) = 0;

    // Called around every message. A handler may make the object's last
    // outside owner let go of it (a page releasing the control inside an
    // event); an object that counts references holds one here, so it goes
    // once the message is done, never while its code still runs. True when
    // something was held, which LetGoAfterMessage then releases.
    virtual bool HoldForMessage() { return false; }
    virtual void LetGoAfterMessage() {}

    // Creates a window of a class whose procedure is WindowProcedure; this
    // object receives its messages from WM_NCCREATE on. Null on failure,
    // with the thread's last error.
    HWND CreateWindowFor(DWORD extended_style, const wchar_t* class_name, const wchar_t* title, DWORD style,
                         const RECT& position, HWND parent, HMENU menu, HINSTANCE instance);
    // Runs a modal dialog from a template; this object receives its
    // messages from WM_INITDIALOG on. The value the dialog ended with, or -1.
    INT_PTR RunModalDialog(HINSTANCE instance, const DLGTEMPLATE* dialog_template, HWND owner);

private:
    static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    static bool Route(HWND window, const WindowMessage& message, LRESULT* result);

    HWND window_ = nullptr;
};

// ---- handlers with their arguments unpacked ----

// How a message's arguments reach its handler: Call unpacks them, calls the
// handler and gives the message's answer; it returns false when the
// platform's default processing should still run.
template <UINT Id>
struct MessageCracker;

// Routes `message` to `handler` when it is message Id.
template <UINT Id, typename Object, typename Handler>
bool On(const WindowMessage& message, LRESULT* result, Object* object, Handler handler) {
    if (message.id != Id) return false;
    *result = 0;
    return MessageCracker<Id>::Call(*object, handler, message, result);
}

// bool OnCreate(const CREATESTRUCTW&): false makes the creation fail.
template <>
struct MessageCracker<WM_CREATE> {
    template <typename O>
    static bool Call(O& object, bool (O::*handler)(const CREATESTRUCTW&), const WindowMessage& m, LRESULT* result) {
        *result = (object.*handler)(*reinterpret_cast<const CREATESTRUCTW*>(m.lparam)) ? 0 : -1;
        return true;
    }
};

// void OnInitDialog(): the dialog's default control takes the focus.
template <>
struct MessageCracker<WM_INITDIALOG> {
    template <typename O>
    static bool Call(O& object, void (O::*handler)(), const WindowMessage&, LRESULT* result) {
        (object.*handler)();
        *result = TRUE;
        return true;
    }
};

// void OnSize(UINT kind, SIZE client)
template <>
struct MessageCracker<WM_SIZE> {
    template <typename O>
    static bool Call(O& object, void (O::*handler)(UINT, SIZE), const WindowMessage& m, LRESULT*) {
        (object.*handler)(static_cast<UINT>(m.wparam), SIZE{LOWORD(m.lparam), HIWORD(m.lparam)});
        return true;
    }
};

// LRESULT OnNotify(NMHDR&): the notification's answer.
template <>
struct MessageCracker<WM_NOTIFY> {
    template <typename O>
    static bool Call(O& object, LRESULT (O::*handler)(NMHDR&), const WindowMessage& m, LRESULT* result) {
        *result = (object.*handler)(*reinterpret_cast<NMHDR*>(m.lparam));
        return true;
    }
};

// bool OnCommand(UINT notification, int id, HWND control): false leaves the
// command to the default processing.
template <>
struct MessageCracker<WM_COMMAND> {
    template <typename O>
    static bool Call(O& object, bool (O::*handler)(UINT, int, HWND), const WindowMessage& m, LRESULT*) {
        return (object.*handler)(HIWORD(m.wparam), LOWORD(m.wparam), reinterpret_cast<HWND>(m.lparam));
    }
};

// void OnTimer(UINT_PTR id)
template <>
struct MessageCracker<WM_TIMER> {
    template <typename O>
    static bool Call(O& object, void (O::*handler)(UINT_PTR), const WindowMessage& m, LRESULT*) {
        (object.*handler)(m.wparam);
        return true;
    }
};

// void OnSetFocus(HWND lost): the window that had the focus, or null.
template <>
struct MessageCracker<WM_SETFOCUS> {
    template <typename O>
    static bool Call(O& object, void (O::*handler)(HWND), const WindowMessage& m, LRESULT*) {
        (object.*handler)(reinterpret_cast<HWND>(m.wparam));
        return true;
    }
};

// void OnClose(): the window stays unless the handler destroys it.
template <>
struct MessageCracker<WM_CLOSE> {
    template <typename O>
    static bool Call(O& object, void (O::*handler)(), const WindowMessage&, LRESULT*) {
        (object.*handler)();
        return true;
    }
};

// void OnDestroy(); the default processing still runs.
template <>
struct MessageCracker<WM_DESTROY> {
    template <typename O>
    static bool Call(O& object, void (O::*handler)(), const WindowMessage&, LRESULT*) {
        (object.*handler)();
        return false;
    }
};

// void OnWindowPosChanging(WINDOWPOS&): the handler may change the position
// it is given; the default processing still runs.
template <>
struct MessageCracker<WM_WINDOWPOSCHANGING> {
    template <typename O>
    static bool Call(O& object, void (O::*handler)(WINDOWPOS&), const WindowMessage& m, LRESULT*) {
        (object.*handler)(*reinterpret_cast<WINDOWPOS*>(m.lparam));
        return false;
    }
};

}  // namespace corvela
