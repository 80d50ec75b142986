// The progress dialog's side of a benchmark: a window on this thread that
// takes the records waiting in a channel as the dialog does, at most once
// per display interval, and hands each to `take`.
#pragma once

#include <windows.h>

#include <functional>

#include "framework/handles.h"
#include "session/progress_channel.h"
#include "session/progress_model.h"

class PacedReceiver {
public:
    using Take = std::function<void(const corvela::PostedRecord&)>;

    PacedReceiver(corvela::ProgressChannel& channel, Take take) : channel_(channel), take_(std::move(take)) {
        WNDCLASSW window_class = {};
        window_class.lpfnWndProc = Procedure;
        window_class.hInstance = GetModuleHandleW(nullptr);
        window_class.lpszClassName = L"CorvelaBenchReceiver";
        RegisterClassW(&window_class);
        window_.Reset(CreateWindowExW(0, window_class.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      window_class.hInstance, this));
        channel_.Open(window_.Get());
    }
    ~PacedReceiver() { channel_.Close(); }

    // Takes what still waits (after the sender is done).
    void TakeAll() {
        for (const corvela::PostedRecord& posted : channel_.TakePosted()) take_(posted);
        last_take_ = GetTickCount();
    }

private:
    static constexpr UINT_PTR TAKE_TIMER = 1;

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        if (message == WM_NCCREATE)
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
        auto* self = reinterpret_cast<PacedReceiver*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && message == corvela::WM_TRANSFER_PROGRESS && lparam == corvela::POSTED_RECORDS_WAITING) {
            self->OnWaiting();
            return 0;
        }
        if (self && message == WM_TIMER && wparam == TAKE_TIMER) {
            KillTimer(window, TAKE_TIMER);
            self->timer_ = false;
            self->TakeAll();
            return 0;
        }
        return DefWindowProcW(window, message, wparam, lparam);
    }

    void OnWaiting() {
        const DWORD since = GetTickCount() - last_take_;
        if (since >= corvela::DISPLAY_INTERVAL_MS) {
            TakeAll();
        } else if (!timer_) {
            timer_ = SetTimer(window_.Get(), TAKE_TIMER, corvela::DISPLAY_INTERVAL_MS - since, nullptr) != 0;
            if (!timer_) TakeAll();
        }
    }

    corvela::ProgressChannel& channel_;
    Take take_;
    corvela::OwnedWindow window_;
    DWORD last_take_ = 0;
    bool timer_ = false;
};
