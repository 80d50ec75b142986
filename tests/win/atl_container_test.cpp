// The control hosted by the platform's ATL container (atl.dll), which
// nobody here wrote.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "corvela_h.h"
#include "support.h"

namespace {

using CreateControlEx = HRESULT(WINAPI*)(LPCOLESTR, HWND, IStream*, IUnknown**, IUnknown**, REFIID, IUnknown*);
using AttachControl = HRESULT(WINAPI*)(IUnknown*, HWND, IUnknown**);

struct AtlContainer : testing::Test {
    void SetUp() override {
        atl = LoadLibraryW(L"atl.dll");
        ASSERT_NE(atl, nullptr);
        create = reinterpret_cast<CreateControlEx>(GetProcAddress(atl, "AtlAxCreateControlEx"));
        attach = reinterpret_cast<AttachControl>(GetProcAddress(atl, "AtlAxAttachControl"));
        ASSERT_NE(create, nullptr);
        ASSERT_NE(attach, nullptr);
        host = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 500, 240,
                               nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(host, nullptr);
    }
    void TearDown() override {
        if (container) container->Release();
        if (control) control->Release();
        if (host) DestroyWindow(host);
    }
    HWND ListOf() {
        HWND control_window = GetWindow(host, GW_CHILD);
        return control_window ? GetDlgItem(control_window, 1) : nullptr;
    }
    void ResizeHost(int width, int height) {
        RECT frame = {0, 0, width, height};
        AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
        SetWindowPos(host, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER);
        test::PumpFor(50);
    }

    HMODULE atl = nullptr;
    CreateControlEx create = nullptr;
    AttachControl attach = nullptr;
    HWND host = nullptr;
    IUnknown* container = nullptr;
    IUnknown* control = nullptr;
};

TEST_F(AtlContainer, CreatesTheControlByProgIdWithItsListWindow) {
    ResizeHost(480, 200);
    ASSERT_EQ(create(L"CORVELA.CorvelaCtrl.1", host, nullptr, &container, &control, IID_NULL, nullptr), S_OK);
    ASSERT_NE(control, nullptr);
    HWND list = ListOf();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(Header_GetItemCount(ListView_GetHeader(list)), 10);
    EXPECT_EQ(ListView_GetColumnWidth(list, 0), 480 - 160);

    // The container passes its new size on; the name column follows.
    ResizeHost(640, 200);
    EXPECT_EQ(ListView_GetColumnWidth(list, 0), 640 - 160);

    // Script calls reach the control through the container's object.
    IDispatch* dispatch = nullptr;
    ASSERT_EQ(control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
    test::Put(dispatch, L"nType", test::Var(3));
    EXPECT_EQ(test::Get(dispatch, L"nType").Int(), 3);
    dispatch->Release();
}

TEST_F(AtlContainer, DeliversInitCompleteOnceToASinkConnectedBeforeAttaching) {
    ResizeHost(480, 200);
    ASSERT_EQ(CoCreateInstance(CLSID_Corvela, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&control)),
              S_OK);
    auto* recorder = new test::EventRecorder(DIID__DCorvelaEvents);
    int columns_at_init = -1;
    recorder->on_event = [&](const test::Event& event) {
        HWND list = ListOf();
        if (event.id == 1 && list) columns_at_init = Header_GetItemCount(ListView_GetHeader(list));
    };
    ASSERT_TRUE(recorder->Connect(control));
    ASSERT_EQ(attach(control, host, &container), S_OK);
    test::PumpFor(50);
    EXPECT_EQ(recorder->Count(1), 1u);
    EXPECT_EQ(columns_at_init, 10);
    recorder->Disconnect();
    recorder->Release();
}

}  // namespace
