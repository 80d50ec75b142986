// The control hosted in a container: window creation, layout, events, the
// scripting interface's refusals and the simple properties.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <new>
#include <vector>

#include "common/language.h"
#include "control/corvela_ctrl.h"
#include "control/last_created_control.h"
#include "framework/module.h"
#include "control/guids.h"
#include "corvela_h.h"
#include "support.h"

namespace {

using test::Var;

struct ListFacts {
    bool list_exists = false;
    LONG_PTR style = 0;
    int id = 0;
    DWORD extended_style = 0;
    UINT callback_mask = 0;
    int columns = 0;
    int image_count = 0;
    std::vector<int> widths;
    std::vector<std::wstring> headers;
};

ListFacts ReadList(HWND control_window) {
    ListFacts facts;
    HWND list = GetDlgItem(control_window, 1);
    facts.list_exists = list != nullptr && GetParent(list) == control_window;
    if (!facts.list_exists) return facts;
    facts.style = GetWindowLongPtrW(list, GWL_STYLE);
    facts.id = GetDlgCtrlID(list);
    facts.extended_style = ListView_GetExtendedListViewStyle(list);
    facts.callback_mask = ListView_GetCallbackMask(list);
    HWND header = ListView_GetHeader(list);
    facts.columns = Header_GetItemCount(header);
    for (int column = 0; column < facts.columns; ++column) {
        facts.widths.push_back(ListView_GetColumnWidth(list, column));
        wchar_t text[64] = {};
        LVCOLUMNW info = {};
        info.mask = LVCF_TEXT;
        info.pszText = text;
        info.cchTextMax = 64;
        ListView_GetColumn(list, column, &info);
        facts.headers.push_back(text);
    }
    HIMAGELIST images = ListView_GetImageList(list, LVSIL_SMALL);
    facts.image_count = images ? ImageList_GetImageCount(images) : -1;
    return facts;
}

struct HostedControl : testing::Test {
    void TearDown() override {
        if (recorder) {
            recorder->Disconnect();
            recorder->Release();
        }
    }
    // Hosts this program's copy of the control (so that module-wide state
    // such as the last created control can be reached from the test) with a
    // recorder connected before its window exists.
    void Host(int width, int height) {
        recorder = new test::EventRecorder(DIID__DCorvelaEvents);
        IUnknown* object = nullptr;
        ASSERT_EQ(corvela::CCorvelaCtrl::Create(IID_IUnknown, reinterpret_cast<void**>(&object)), S_OK);
        const HRESULT hosted = container.HostObject(object, width, height, [&](IUnknown* control) {
            ASSERT_TRUE(recorder->Connect(control));
            recorder->on_event = [&](const test::Event& event) {
                if (event.id == 1) at_init = ReadList(container.ControlWindow());
            };
        });
        object->Release();
        ASSERT_EQ(hosted, S_OK);
    }

    test::TestContainer container;
    test::EventRecorder* recorder = nullptr;
    ListFacts at_init;
};

TEST_F(HostedControl, CreatesTheListWithItsColumnsAndIconsBeforeInitComplete) {
    Host(460, 200);
    ASSERT_EQ(recorder->Count(1), 1u);
    ASSERT_TRUE(at_init.list_exists);
    EXPECT_EQ(at_init.style & 0xFFFFFFFF, 0x50004001);
    EXPECT_EQ(at_init.id, 1);
    EXPECT_EQ(at_init.extended_style, 0x24u);
    EXPECT_EQ(at_init.callback_mask, 1u);
    EXPECT_EQ(at_init.image_count, 16);
    const std::vector<std::wstring> headers = {L"첨부파일", L"filepath",   L"fileinfo1",     L"fileinfo2",
                                               L"filesize",   L"filesizeUI", L"BigfilesizeUI", L"UserName",
                                               L"BigFilePathInfo", L"DRM"};
    EXPECT_EQ(at_init.headers, headers);
    EXPECT_EQ(at_init.widths, (std::vector<int>{300, 0, 0, 0, 0, 75, 65, 0, 0, 0}));

    // The list covers the whole control.
    RECT control = {}, list = {};
    GetClientRect(container.ControlWindow(), &control);
    GetWindowRect(GetDlgItem(container.ControlWindow(), 1), &list);
    EXPECT_EQ(list.right - list.left, control.right);
    EXPECT_EQ(list.bottom - list.top, control.bottom);
    EXPECT_EQ(recorder->Count(1), 1u) << "InitComplete fires once per window";
}

TEST_F(HostedControl, NameColumnFollowsTheControlWidth) {
    Host(460, 200);
    container.Resize(700, 150);
    ListFacts facts = ReadList(container.ControlWindow());
    EXPECT_EQ(facts.widths[0], 540);
    EXPECT_EQ(facts.widths[5], 75);
    EXPECT_EQ(facts.widths[6], 65);
    RECT list = {};
    GetClientRect(GetDlgItem(container.ControlWindow(), 1), &list);
    EXPECT_EQ(list.right, 700);
}

// The widths the control asks of the list view, seen at the list view.
std::vector<LPARAM> g_name_column_widths;
WNDPROC g_list_procedure = nullptr;
LRESULT CALLBACK RecordColumnWidths(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == LVM_SETCOLUMNWIDTH && wparam == 0) g_name_column_widths.push_back(lparam);
    return CallWindowProcW(g_list_procedure, window, message, wparam, lparam);
}

TEST_F(HostedControl, NameColumnWidthIsTakenModulo65536WhenNarrowerThanTheMargin) {
    Host(460, 200);
    HWND list = GetDlgItem(container.ControlWindow(), 1);
    g_name_column_widths.clear();
    g_list_procedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordColumnWidths)));
    container.Resize(100, 150);
    SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_list_procedure));
    // (100 - 160) modulo 65536
    ASSERT_FALSE(g_name_column_widths.empty());
    EXPECT_EQ(g_name_column_widths.back(), 65476);
}

TEST_F(HostedControl, EventsReachEveryConnectedSinkBeforeTheCallReturns) {
    Host(460, 200);
    auto* second = new test::EventRecorder(DIID__DCorvelaEvents);
    ASSERT_TRUE(second->Connect(container.Control()));
    corvela::FireCancelTransferOnLastCreated();
    EXPECT_EQ(recorder->Count(2), 1u);
    EXPECT_EQ(second->Count(2), 1u);
    second->Disconnect();
    second->Release();
}

// A browser freezes a control's events while it loads the page: what the
// control fires meanwhile (InitComplete, as its window is made) waits, and
// arrives in the order fired once every freeze is undone.
TEST_F(HostedControl, EventsFiredWhileFrozenArriveInOrderOnceThawed) {
    recorder = new test::EventRecorder(DIID__DCorvelaEvents);
    corvela::ComPtr<IOleControl> ole;
    ASSERT_EQ(container.Host(CLSID_Corvela, 300, 100,
                             [&](IUnknown* control) {
                                 ASSERT_TRUE(recorder->Connect(control));
                                 ole = corvela::ComPtr<IUnknown>::Share(control).As<IOleControl>();
                                 ASSERT_TRUE(ole);
                                 ole->FreezeEvents(TRUE);
                                 ole->FreezeEvents(TRUE);
                             }),
              S_OK);
    SendMessageW(container.ControlWindow(), corvela::WM_FIRE_CANCEL_TRANSFER, 0, 0);
    EXPECT_TRUE(recorder->events().empty());
    ole->FreezeEvents(FALSE);
    EXPECT_TRUE(recorder->events().empty()) << "one freeze is still in force";
    ole->FreezeEvents(FALSE);
    std::vector<DISPID> ids;
    for (const test::Event& event : recorder->events()) ids.push_back(event.id);
    EXPECT_EQ(ids, (std::vector<DISPID>{1, 2}));
    ole->FreezeEvents(FALSE);  // one thaw too many changes nothing
    SendMessageW(container.ControlWindow(), corvela::WM_FIRE_CANCEL_TRANSFER, 0, 0);
    EXPECT_EQ(recorder->Count(2), 2u) << "events go straight through again";
}

// A member that fails to allocate must not let the exception through the
// COM boundary, where nothing catches it and the browser goes down: the
// caller gets E_OUTOFMEMORY and the control keeps answering.
class AllocatingControl final : public corvela::OleControl {
public:
    AllocatingControl() : OleControl(Class()) {}
    int32_t Allocate() { throw std::bad_alloc(); }
    int32_t Answer() { return 42; }

private:
    static const corvela::OleControlClass& Class() {
        using corvela::Bind;
        static const corvela::DispatchTable table({
            {1, L"Allocate", corvela::DispKind::Method, {}, Bind<&AllocatingControl::Allocate>(), {}},
            {2, L"Answer", corvela::DispKind::Method, {}, Bind<&AllocatingControl::Answer>(), {}},
        });
        static const corvela::OleControlClass info = {
            &CLSID_Corvela, &DIID__DCorvela, &DIID__DCorvelaEvents, &LIBID_CORVELALib, 1, 0,
            &corvela::CLSID_CorvelaPropPage, 0, 0, &table};
        return info;
    }
};

TEST(Dispatch, AnExceptionInAMemberBecomesItsResultAtTheComBoundary) {
    corvela::ComPtr<IDispatch> control(static_cast<IDispatch*>(new AllocatingControl()));
    EXPECT_EQ(test::Invoke(control.Get(), L"Allocate", DISPATCH_METHOD, {}).hr, E_OUTOFMEMORY);
    EXPECT_EQ(test::Call(control.Get(), L"Answer").Int(), 42);
}

TEST(Dispatch, RefusesWrongPropertyAccessWithScriptingErrors) {
    IDispatch* control = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_Corvela, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&control)),
              S_OK);
    for (const wchar_t* write_only : {L"HideProgressDlg", L"SetBigLang", L"NTLM", L"UseDbCl"}) {
        test::CallResult read = test::Invoke(control, write_only, DISPATCH_PROPERTYGET, {});
        EXPECT_EQ(read.hr, DISP_E_EXCEPTION) << write_only;
        EXPECT_EQ(static_cast<uint32_t>(read.scode), 0x800A018Au) << write_only;
    }
    for (const wchar_t* read_only : {L"DelfileList", L"isBigfileYN", L"isBigfileSizeAll", L"FileListAll",
                                     L"IsDocfileAll", L"GetfilePath", L"GetFileSize", L"GetReturnSize"}) {
        test::CallResult write = test::Invoke(control, read_only, DISPATCH_PROPERTYPUT, {Var(L"x")});
        EXPECT_EQ(write.hr, DISP_E_EXCEPTION) << read_only;
        EXPECT_EQ(static_cast<uint32_t>(write.scode), 0x800A017Fu) << read_only;
    }
    control->Release();
}

TEST(Dispatch, FindsMembersByNameInAnyCaseAndParametersByTheirPublishedNames) {
    IDispatch* control = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_Corvela, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&control)),
              S_OK);
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"startupload3"), const_cast<LPOLESTR>(L"sSID"),
                        const_cast<LPOLESTR>(L"sPage")};
    DISPID ids[3] = {};
    EXPECT_EQ(control->GetIDsOfNames(IID_NULL, names, 3, LOCALE_USER_DEFAULT, ids), S_OK);
    EXPECT_EQ(ids[0], 23);
    EXPECT_EQ(ids[1], 5);
    EXPECT_EQ(ids[2], 0);
    for (const wchar_t* unlisted : {L"InsertFileInfo", L"AddFilename"}) {
        LPOLESTR name[] = {const_cast<LPOLESTR>(unlisted)};
        DISPID id = 0;
        EXPECT_EQ(control->GetIDsOfNames(IID_NULL, name, 1, LOCALE_USER_DEFAULT, &id), S_OK);
        EXPECT_EQ(id, lstrcmpW(unlisted, L"InsertFileInfo") == 0 ? 28 : 29);
    }
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"NoSuchMember")};
    DISPID id = 0;
    EXPECT_EQ(control->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);

    // Named arguments in any order reach their parameters.
    Var folder(L"ignored"), title(L"ignored");
    VARIANT arguments[2] = {*title.get(), *folder.get()};
    DISPID named[2] = {1, 0};  // sTitle, sCacheFolder
    DISPPARAMS params = {arguments, named, 2, 2};
    Var result;
    EXPECT_EQ(control->Invoke(21, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.get(), nullptr,
                              nullptr),
              S_OK);
    EXPECT_EQ(result.Int(), 0);

    // A missing or extra argument is reported, not guessed.
    EXPECT_EQ(test::Invoke(control, L"StartDownload", DISPATCH_METHOD, {}).hr, DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(test::Invoke(control, L"StartDownload", DISPATCH_METHOD, {Var(L"a"), Var(L"b")}).hr,
              DISP_E_BADPARAMCOUNT);
    control->Release();
}

TEST(Dispatch, SimplePropertiesStartFromTheirDefaultsAndKeepWhatIsWritten) {
    IDispatch* control = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_Corvela, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&control)),
              S_OK);
    EXPECT_EQ(test::Get(control, L"nType").Int(), 0);
    EXPECT_EQ(test::Get(control, L"tipString").Text(), L"");
    EXPECT_EQ(test::Put(control, L"nType", Var(42)), S_OK);
    EXPECT_EQ(test::Put(control, L"tipString", Var(L"Drop here")), S_OK);
    EXPECT_EQ(test::Get(control, L"nType").Int(), 42);
    EXPECT_EQ(test::Get(control, L"tipString").Text(), L"Drop here");
    // Text arrives converted: a number written to nType as text.
    EXPECT_EQ(test::Put(control, L"nType", Var(L"17")), S_OK);
    EXPECT_EQ(test::Get(control, L"nType").Int(), 17);
    EXPECT_EQ(test::Invoke(control, L"nType", DISPATCH_PROPERTYPUT, {Var(L"seventeen")}).hr, DISP_E_TYPEMISMATCH);

    EXPECT_EQ(test::Call(control, L"StartDownload", {Var(L"C:\\cache")}).Int(), 0);
    EXPECT_EQ(test::Call(control, L"StartDownload2", {Var(L"C:\\cache"), Var(L"title")}).Int(), 0);
    EXPECT_EQ(test::Invoke(control, L"AddDownloadUrl", DISPATCH_METHOD, {Var(L"u"), Var(L"n"), Var(5)}).hr, S_OK);
    control->Release();
}

// The hint text is what the empty list paints; it is read here through the
// owner interface the list window uses.
TEST(Properties, HintFollowsTipStringAndIsReloadedInTheSelectedLanguage) {
    IDispatch* dispatch = nullptr;
    ASSERT_EQ(corvela::CCorvelaCtrl::Create(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
    auto* control = static_cast<corvela::CCorvelaCtrl*>(dispatch);

    test::Put(dispatch, L"SetBigLang", Var(2));
    EXPECT_EQ(corvela::ThreadLanguage(), 1033);
    EXPECT_EQ(control->HintText(), u"Drag and drop files.");
    EXPECT_EQ(control->RefusalText(), u"Not allowed extension");

    test::Put(dispatch, L"tipString", Var(L"Put your files here"));
    EXPECT_EQ(control->HintText(), u"Put your files here");

    test::Put(dispatch, L"SetBigLang", Var(1));
    EXPECT_EQ(corvela::ThreadLanguage(), 1042);
    EXPECT_EQ(control->HintText(), u"첨부하실 파일을 마우스로 끌어서 넣어주세요");
    EXPECT_EQ(control->RefusalText(), u"업로드 제한 확장자입니다.");
    EXPECT_EQ(test::Get(dispatch, L"tipString").Text(), L"Put your files here");

    test::Put(dispatch, L"SetBigLang", Var(2));
    EXPECT_EQ(corvela::ThreadLanguage(), 1033);
    EXPECT_EQ(control->HintText(), u"Drag and drop files.");
    dispatch->Release();
}

TEST(LastCreatedControl, NeverNamesAControlThatIsGone) {
    auto* recorder = new test::EventRecorder(DIID__DCorvelaEvents);
    const long objects_before = corvela::ModuleUseCount();
    {
        IUnknown* object = nullptr;
        ASSERT_EQ(corvela::CCorvelaCtrl::Create(IID_IUnknown, reinterpret_cast<void**>(&object)), S_OK);
        test::TestContainer container;
        ASSERT_EQ(container.HostObject(object, 200, 100, [&](IUnknown* c) { recorder->Connect(c, false); }), S_OK);
        object->Release();
        corvela::FireCancelTransferOnLastCreated();
        EXPECT_EQ(recorder->Count(2), 1u);
        container.Close();
    }
    ASSERT_EQ(corvela::ModuleUseCount(), objects_before) << "the control is gone";
    corvela::FireCancelTransferOnLastCreated();
    EXPECT_EQ(recorder->Count(2), 1u);
    recorder->Release();
}

}  // namespace

namespace {

// A script host that never gives the control a window (the platform's
// cscript, for one) may call anything: every member answers.
TEST(WithoutWindow, EveryMemberAnswersAScriptHostThatNeverGaveAWindow) {
    IDispatch* control = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_Corvela, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&control)),
              S_OK);
    const Var s(L"x"), n(1), yes(true);
    const std::vector<std::pair<const wchar_t*, std::vector<Var>>> methods = {
        {L"AddDownloadUrl", {s, s, n}}, {L"StartDownload", {s}}, {L"AddUploadFile", {s, s}},
        {L"StartUpload", {s, s, s, s, s}}, {L"GetReturn", {n}}, {L"OpenDownload", {s}},
        {L"AddDownloadUrlForCache", {s, s, s, n}}, {L"ChangeSpecialChar", {s}}, {L"StartDownload2", {s, s}},
        {L"StartUpload2", {s, s, s, s, s, s}}, {L"StartUpload3", {s, s, s, s, s, s}}, {L"DeleteFileList", {}},
        {L"InsertFileList", {s, s, s, s, s}}, {L"InsertUserN", {s}}, {L"SetCheckList", {n, yes}},
        {L"InsertFileInfo", {s}}, {L"AddFilename", {s}}, {L"ListUP", {}}, {L"ListDOWN", {}},
        {L"DeleteFileListAll", {}}, {L"GetCheckFileInfo", {}}, {L"InsertFileListDRM", {s, s, s, s, s, yes}},
        {L"SetAllowedExt", {s}}, {L"GetfilePath", {n}}, {L"GetfileName", {n}}, {L"GetfileInfo1", {n}},
        {L"GetfileInfo2", {n}}, {L"GetfileChecked", {n}}, {L"GetFileSize", {n}}, {L"GetReturnSize", {s}},
        {L"nType", {}}, {L"tipString", {}}, {L"DelfileList", {}}, {L"isBigfileYN", {}},
        {L"isBigfileSizeAll", {}}, {L"FileListAll", {}}, {L"IsDocfileAll", {}},
    };
    // The queue holds "x", which is neither a file nor a URL: the batches
    // that try it fail quietly.
    test::MessageBoxWatcher boxes;
    for (const auto& method : methods)
        EXPECT_EQ(test::Invoke(control, method.first, DISPATCH_METHOD | DISPATCH_PROPERTYGET, method.second).hr, S_OK)
            << method.first;
    for (const wchar_t* property : {L"HideProgressDlg", L"SetBigLang", L"NTLM", L"UseDbCl", L"nType", L"tipString"})
        EXPECT_EQ(test::Put(control, property, property == std::wstring(L"tipString") ? Var(L"t") : Var(1)), S_OK)
            << property;
    EXPECT_EQ(test::Get(control, L"FileListAll").Text(), L"");
    test::Put(control, L"SetBigLang", Var(2));  // this thread speaks English again
    control->Release();
}

// ---- what the module takes from the platform itself ----

// Points the module's import of `function` from `library` at `replacement`;
// the address it held, or null when the module does not import it.
void* ReplaceImport(HMODULE module, const char* library, const char* function, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name; ++entry) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + entry->Name), library) != 0) continue;
        auto* name = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; name->u1.AddressOfData; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
            const auto* by_name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char*>(by_name->Name), function) != 0) continue;
            DWORD protection = 0;
            VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), PAGE_READWRITE, &protection);
            void* previous = reinterpret_cast<void*>(slot->u1.Function);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slot->u1.Function, sizeof(slot->u1.Function), protection, &protection);
            return previous;
        }
    }
    return nullptr;
}

DWORD g_classes_asked = 0;

BOOL WINAPI RecordClassesAsked(const INITCOMMONCONTROLSEX* request) {
    g_classes_asked |= request->dwICC;
    return InitCommonControlsEx(request);
}

// The classes may already be there when comctl32 loads (Wine's registers
// them all then), so only the request shows that the module does not rely on
// its host to make it.
TEST(CommonControls, TheModuleAsksForTheListViewAndTheProgressBarsItself) {
    IDispatch* loaded = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_Corvela, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&loaded)),
              S_OK);
    HMODULE ocx = GetModuleHandleW(L"CORVELA.OCX");
    ASSERT_NE(ocx, nullptr);
    void* real = ReplaceImport(ocx, "comctl32.dll", "InitCommonControlsEx", reinterpret_cast<void*>(&RecordClassesAsked));
    ASSERT_NE(real, nullptr) << "the module never asks for common controls";
    g_classes_asked = 0;
    {
        test::TestContainer container;
        ASSERT_EQ(container.Host(CLSID_Corvela, 300, 100), S_OK);
        EXPECT_TRUE(g_classes_asked & ICC_LISTVIEW_CLASSES);
        test::Put(loaded, L"HideProgressDlg", Var(true));
        test::Call(loaded, L"AddUploadFile", {Var(L"C:\\no\\such.file"), Var(L"")});
        test::Call(loaded, L"StartUpload", {Var(test::UploadUrl(L"/ok/")), Var(L""), Var(L""), Var(L""), Var(L"")});
        EXPECT_TRUE(g_classes_asked & ICC_PROGRESS_CLASS);
    }
    ReplaceImport(ocx, "comctl32.dll", "InitCommonControlsEx", real);
    loaded->Release();
}

// A bitmap whose size cannot be read gives no strip rather than one whose
// cells are cut to nothing.
TEST(ImageStrip, IsCutFromABitmapWhoseSizeCanBeRead) {
    HBITMAP bitmap = CreateBitmap(32, 16, 1, 32, nullptr);
    HIMAGELIST strip = corvela::ImageStripFromBitmap(bitmap, 16, RGB(0, 0, 0), false);
    ASSERT_NE(strip, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(strip), 2);
    ImageList_Destroy(strip);
    DeleteObject(bitmap);
    EXPECT_EQ(corvela::ImageStripFromBitmap(bitmap, 16, RGB(0, 0, 0), false), nullptr);
}

}  // namespace
