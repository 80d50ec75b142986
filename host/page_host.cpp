#include "host/page_host.h"

#include <shlwapi.h>
#include <urlmon.h>

#include <algorithm>
#include <string>

#include "common/wide.h"
#include "host/browser_services.h"
#include "host/console.h"
#include "host/user_input.h"

namespace corvela {
namespace {

const wchar_t WINDOW_CLASS[] = L"CorvelaPageHost";
constexpr DWORD WINDOW_STYLE = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr int WINDOW_LEFT = 40;
constexpr int WINDOW_TOP = 40;
// Objects stand one below the other, as blocks of a page with its margins.
constexpr int PAGE_MARGIN = 8;
constexpr int PAGE_DPI = 96;
constexpr int DEFAULT_OBJECT_WIDTH = 300;
constexpr int DEFAULT_OBJECT_HEIGHT = 150;
constexpr int MINIMUM_CLIENT_WIDTH = 320;
constexpr int MINIMUM_CLIENT_HEIGHT = 80;
// A timeout that comes due while script runs waits this long again.
constexpr UINT TIMEOUT_RETRY_MILLISECONDS = 10;
constexpr HRESULT SCRIPT_ERROR_REPORTED = static_cast<HRESULT>(0x80020101);
const Text RUN_ORIGIN = u"--run";
const Text TIMEOUT_ORIGIN = u"setTimeout";
const Text WINDOW_ITEM = u"window";
const Text DOCUMENT_ITEM = u"document";

bool ReadFileBytes(const Text& path, std::string& bytes) {
    KernelHandle file(CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    char block[65536];
    DWORD read = 0;
    while (ReadFile(file.Get(), block, sizeof(block), &read, nullptr) && read > 0) bytes.append(block, read);
    return true;
}

// Pages are UTF-8 unless a byte order mark says UTF-16.
Text DecodePage(const std::string& bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE)
        return Text(reinterpret_cast<const char16_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    const bool marked = bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    return marked ? Utf8ToText(bytes.data() + 3, bytes.size() - 3) : Utf8ToText(bytes);
}

Text FileUrl(const Text& path) {
    wchar_t full[MAX_PATH * 2] = {};
    const DWORD length = GetFullPathNameW(W(path), MAX_PATH * 2, full, nullptr);
    if (length == 0 || length >= MAX_PATH * 2) return Text();
    wchar_t url[INTERNET_MAX_URL_LENGTH] = {};
    DWORD url_length = INTERNET_MAX_URL_LENGTH;
    return SUCCEEDED(UrlCreateFromPathW(full, url, &url_length, 0)) ? FromW(url, url_length) : Text();
}

Text FileName(const Text& path) {
    const size_t slash = path.find_last_of(u"\\/");
    return slash == Text::npos ? path : path.substr(slash + 1);
}

// The pixels of a page are those of a screen of 96 DPI; on a screen of
// higher DPI a browser draws the page larger by as much, and so does the host.
int ScreenDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : PAGE_DPI;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : PAGE_DPI;
}

std::vector<RECT> Layout(const std::vector<PageObject>& objects, int dpi) {
    const int margin = MulDiv(PAGE_MARGIN, dpi, PAGE_DPI);
    std::vector<RECT> places;
    int top = margin;
    for (const PageObject& object : objects) {
        const int width = MulDiv(object.width >= 0 ? object.width : DEFAULT_OBJECT_WIDTH, dpi, PAGE_DPI);
        const int height = MulDiv(object.height >= 0 ? object.height : DEFAULT_OBJECT_HEIGHT, dpi, PAGE_DPI);
        places.push_back({margin, top, margin + width, top + height});
        top += height + margin;
    }
    return places;
}

SIZE ClientSize(const std::vector<RECT>& places, int dpi) {
    const int margin = MulDiv(PAGE_MARGIN, dpi, PAGE_DPI);
    SIZE size = {MulDiv(MINIMUM_CLIENT_WIDTH, dpi, PAGE_DPI), MulDiv(MINIMUM_CLIENT_HEIGHT, dpi, PAGE_DPI)};
    for (const RECT& place : places) {
        size.cx = std::max<LONG>(size.cx, place.right + margin);
        size.cy = std::max<LONG>(size.cy, place.bottom + margin);
    }
    return size;
}

Text ValueText(VARIANT& value) {
    Variant text;
    if (FAILED(VariantChangeType(text.Out(), &value, VARIANT_ALPHABOOL, VT_BSTR))) return u"[object]";
    return FromBstr(V_BSTR(&text.Get()));
}

Text ActionText(const HostAction& action) {
    switch (action.kind) {
        case HostAction::Kind::Run:
            return u"run " + action.text;
        case HostAction::Kind::Drop:
            return u"drop on " + action.target + u": " + action.text;
        case HostAction::Kind::Click:
        case HostAction::Kind::DoubleClick:
            return Text(action.kind == HostAction::Kind::Click ? u"click on " : u"double click on ") + action.target +
                   u" at " + DecimalText(action.x) + u"," + DecimalText(action.y);
        case HostAction::Kind::Key:
            return u"key " + action.text;
        case HostAction::Kind::Wait:
            return u"wait " + DecimalText(action.seconds) + u" s";
    }
    return Text();
}

TextList DroppedPaths(const Text& text) {
    TextList paths;
    Text rest = text;
    while (!rest.empty()) {
        const Text path = TakeBefore(rest, u'|');
        if (!path.empty()) paths.push_back(path);
    }
    return paths;
}

}  // namespace

class PageHost::ScriptCall {
public:
    explicit ScriptCall(PageHost& host) : host_(host) { ++host_.script_depth_; }
    ~ScriptCall() { --host_.script_depth_; }
    ScriptCall(const ScriptCall&) = delete;
    ScriptCall& operator=(const ScriptCall&) = delete;

private:
    PageHost& host_;
};

PageHost::PageHost(HostOptions options) : options_(std::move(options)), dpi_(ScreenDpi()) {}

PageHost::~PageHost() { TearDown(); }

int PageHost::Run() {
    if (!Open()) {
        TearDown();
        return EXIT_NOT_OPENED;
    }
    Load();
    RunMessageLoop();
    TearDown();
    return exit_status_;
}

// ---- opening the page ----

bool PageHost::Open() {
    std::string bytes;
    if (!ReadFileBytes(options_.page_path, bytes)) {
        PrintError(options_.page_path + u": the page cannot be read: " + ResultText(HRESULT_FROM_WIN32(GetLastError())));
        return false;
    }
    page_ = ParsePage(DecodePage(bytes));
    for (const PageNote& note : page_.notes) ReportProblem(note.place, note.text);
    title_ = page_.title.empty() ? FileName(options_.page_path) : page_.title;
    url_ = options_.url.empty() ? FileUrl(options_.page_path) : options_.url;
    const std::vector<RECT> places = Layout(page_.objects, dpi_);
    if (!CreatePageWindow(places)) return false;
    if (FAILED(CreateURLMonikerEx(nullptr, W(url_), moniker_.Out(), URL_MK_UNIFORM)))
        PrintError(options_.page_path + u": the address " + url_ + u" makes no moniker; objects cannot learn it");
    browser_ = NewBrowserServices(url_, window_.Get());
    CreateElements(places);
    if (!StartScript()) return false;
    BindHandlers();
    ShowWindow(window_.Get(), SW_SHOWNORMAL);
    UpdateWindow(window_.Get());
    return true;
}

bool PageHost::CreatePageWindow(const std::vector<RECT>& places) {
    static const ATOM registered = [] {
        WNDCLASSW window_class = {};
        window_class.lpfnWndProc = &WindowBase::WindowProcedure;
        window_class.hInstance = GetModuleHandleW(nullptr);
        window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        window_class.lpszClassName = WINDOW_CLASS;
        return RegisterClassW(&window_class);
    }();
    const SIZE client = ClientSize(places, dpi_);
    RECT frame = {0, 0, client.cx, client.cy};
    AdjustWindowRect(&frame, WINDOW_STYLE, FALSE);
    const RECT position = {WINDOW_LEFT, WINDOW_TOP, WINDOW_LEFT + frame.right - frame.left,
                           WINDOW_TOP + frame.bottom - frame.top};
    window_.Reset(CreateWindowFor(0, WINDOW_CLASS, W(title_), WINDOW_STYLE, position, nullptr, nullptr,
                                  GetModuleHandleW(nullptr)));
    if (registered && window_) return true;
    PrintError(options_.page_path + u": the page's window cannot be made: " + ResultText(HRESULT_FROM_WIN32(GetLastError())));
    return false;
}

void PageHost::CreateElements(const std::vector<RECT>& places) {
    for (size_t i = 0; i < page_.objects.size(); ++i) {
        ComPtr<PageElement> element(new PageElement(page_.objects[i], *this));
        element->Create(window_.Get(), places[i], moniker_, browser_);
        elements_.push_back(std::move(element));
    }
}

bool PageHost::StartScript() {
    if (!engine_.Start(*this)) {
        PrintError(options_.page_path + u": the JScript engine is not available");
        return false;
    }
    document_ = NewDocumentObject(*this);
    window_object_ = NewWindowObject(*this, document_);
    engine_.AddNamedItem(WINDOW_ITEM, true);
    engine_.AddNamedItem(DOCUMENT_ITEM, false);
    std::vector<Text> named;
    for (size_t i = 0; i < elements_.size(); ++i) {
        const Text& id = elements_[i]->Id();
        if (id.empty()) continue;
        if (id == WINDOW_ITEM || id == DOCUMENT_ITEM || std::find(named.begin(), named.end(), id) != named.end()) {
            ReportProblem(page_.objects[i].place, u"the id \"" + id + u"\" is taken; script cannot name this object");
            continue;
        }
        named.push_back(id);
        engine_.AddNamedItem(id, false);
    }
    return true;
}

// Handlers written as for/event scripts are bound before any object is
// activated, so that events an object fires as it starts reach them.
void PageHost::BindHandlers() {
    for (const PageScript& script : page_.scripts) {
        if (!script.IsHandler()) continue;
        PageElement* element = Element(script.for_id);
        if (!element) {
            ReportProblem(script.start, u"the page has no object \"" + script.for_id + u"\" for this handler");
            continue;
        }
        ComPtr<IDispatch> handler = engine_.Compile(script.code, script.parameters, PageOrigin(script.start));
        if (handler) element->AddHandler(script.event, std::move(handler), script.start);
    }
}

// Objects are activated and blocks run in the order the page gives them.
void PageHost::Load() {
    for (const PageStep& step : page_.steps) {
        if (closing_) return;
        if (step.kind == PageStep::Kind::Object) {
            elements_[step.index]->Activate();
            continue;
        }
        const PageScript& script = page_.scripts[step.index];
        if (script.IsHandler()) continue;
        ScriptCall call(*this);
        engine_.Run(script.code, PageOrigin(script.start));
    }
}

// ---- the page's life ----

// Actions are played, and the page torn down, only from here: never from a
// modal loop inside a call of the page or of one of its objects.
void PageHost::RunMessageLoop() {
    wait_until_ = GetTickCount();
    while (!closed_) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) return;
            if (TranslateKey(message)) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (closing_) {
            TearDown();
        } else if (ActionDue()) {
            PlayNextAction();
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, MillisecondsToNextAction(), QS_ALLINPUT);
        }
    }
}

// Keys go to the page's objects first, as a browser hands them to its
// active object.
bool PageHost::TranslateKey(MSG& message) {
    for (const ComPtr<PageElement>& element : elements_)
        if (element->TranslateKey(message)) return true;
    return false;
}

bool PageHost::ActionDue() const {
    return next_action_ < options_.actions.size() && static_cast<LONG>(GetTickCount() - wait_until_) >= 0;
}

DWORD PageHost::MillisecondsToNextAction() const {
    if (next_action_ >= options_.actions.size()) return INFINITE;
    const LONG left = static_cast<LONG>(wait_until_ - GetTickCount());
    return left > 0 ? static_cast<DWORD>(left) : 0;
}

void PageHost::PlayNextAction() {
    const HostAction& action = options_.actions[next_action_++];
    if (options_.trace) PrintOut(ActionText(action));
    switch (action.kind) {
        case HostAction::Kind::Run:
            PlayRun(action);
            return;
        case HostAction::Kind::Wait:
            wait_until_ = GetTickCount() + static_cast<DWORD>(action.seconds) * 1000;
            return;
        case HostAction::Kind::Key:
            PressKey(action.key, window_.Get());
            return;
        default:
            if (!PlayOnObject(action)) Fail(EXIT_ACTION_FAILED);
    }
}

void PageHost::PlayRun(const HostAction& action) {
    Variant result;
    {
        ScriptCall call(*this);
        engine_.Evaluate(action.text, {RUN_ORIGIN, {}}, result.Out());
    }
    if (options_.trace && V_VT(&result.Get()) != VT_EMPTY) PrintOut(u"= " + ValueText(result.Get()));
}

bool PageHost::PlayOnObject(const HostAction& action) {
    PageElement* element = Element(action.target);
    HWND object_window = element ? element->ObjectWindow() : nullptr;
    if (!object_window) {
        PrintError(ActionText(action) + u": the page shows no object \"" + action.target + u"\"");
        return false;
    }
    if (action.kind != HostAction::Kind::Drop) {
        Click(object_window, {action.x, action.y}, action.kind == HostAction::Kind::DoubleClick);
        return true;
    }
    if (DropFiles(object_window, DroppedPaths(action.text))) return true;
    PrintError(ActionText(action) + u": object \"" + action.target + u"\" takes no dropped files");
    return false;
}

void PageHost::Fail(int status) {
    if (exit_status_ == EXIT_PAGE_CLOSED) exit_status_ = status;
    RequestClose();
}

// The page closes as a browser window does: once the script that asked has
// returned.
void PageHost::RequestClose() {
    closing_ = true;
    if (window_) PostMessageW(window_.Get(), WM_NULL, 0, 0);
}

void PageHost::TearDown() {
    closing_ = true;
    for (const auto& timeout : timeouts_) KillTimer(window_.Get(), timeout.first);
    timeouts_.clear();
    for (const ComPtr<PageElement>& element : elements_) element->DisconnectEvents();
    engine_.Close();
    for (const ComPtr<PageElement>& element : elements_) element->Close();
    elements_.clear();
    window_object_.Reset();
    document_.Reset();
    browser_.Reset();
    moniker_.Reset();
    window_.Reset();
    closed_ = true;
}

PageElement* PageHost::Element(const Text& id) const {
    for (const ComPtr<PageElement>& element : elements_)
        if (!id.empty() && element->Id() == id) return element.Get();
    return nullptr;
}

bool PageHost::OnMessage(const WindowMessage& message, LRESULT* result) {
    return On<WM_CLOSE>(message, result, this, &PageHost::RequestClose) ||
           On<WM_TIMER>(message, result, this, &PageHost::OnTimer);
}

// ---- window and document ----

void PageHost::Alert(const Text& message) {
    MessageBoxW(window_.Get(), W(message), W(title_), MB_OK | MB_ICONWARNING);
}

int32_t PageHost::SetTimeout(const VARIANT& code, int32_t milliseconds) {
    Timeout timeout;
    if (V_VT(&code) == VT_DISPATCH && V_DISPATCH(&code))
        timeout.function = ComPtr<IDispatch>::Share(V_DISPATCH(&code));
    else if (V_VT(&code) == VT_BSTR)
        timeout.code = FromBstr(V_BSTR(&code));
    else
        return 0;
    const UINT_PTR id = next_timeout_++;
    if (!SetTimer(window_.Get(), id, static_cast<UINT>(std::max<int32_t>(milliseconds, USER_TIMER_MINIMUM)), nullptr))
        return 0;
    timeouts_[id] = std::move(timeout);
    return static_cast<int32_t>(id);
}

void PageHost::ClearTimeout(int32_t id) {
    KillTimer(window_.Get(), static_cast<UINT_PTR>(id));
    timeouts_.erase(static_cast<UINT_PTR>(id));
}

// A timeout never interrupts running script: it comes due again shortly.
void PageHost::OnTimer(UINT_PTR id) {
    const auto found = timeouts_.find(id);
    if (found == timeouts_.end() || closing_) return;
    if (script_depth_ > 0) {
        SetTimer(window_.Get(), id, TIMEOUT_RETRY_MILLISECONDS, nullptr);
        return;
    }
    KillTimer(window_.Get(), id);
    const Timeout timeout = std::move(found->second);
    timeouts_.erase(found);
    if (timeout.function) {
        DISPPARAMS none = {};
        CallHandler(*timeout.function.Get(), none);
        return;
    }
    ScriptCall call(*this);
    engine_.Run(timeout.code, {TIMEOUT_ORIGIN, {}});
}

void PageHost::CloseWindow() { RequestClose(); }

ComPtr<IDispatch> PageHost::ElementById(const Text& id) {
    return ComPtr<IDispatch>::Share(static_cast<IDispatch*>(Element(id)));
}

void PageHost::SetTitle(const Text& title) {
    title_ = title;
    SetWindowTextW(window_.Get(), W(title_));
}

// ---- the script engine's questions ----

IUnknown* PageHost::NamedItem(const Text& name) {
    if (name == WINDOW_ITEM) return window_object_.Get();
    if (name == DOCUMENT_ITEM) return document_.Get();
    return static_cast<IDispatch*>(Element(name));
}

void PageHost::OnScriptError(const Text& report) {
    PrintError(report);
    Fail(EXIT_SCRIPT_ERROR);
}

// ---- the objects' needs ----

void PageHost::ReportProblem(const SourcePlace& place, const Text& text) {
    PrintError(options_.page_path + u":" + DecimalText(static_cast<int64_t>(place.line)) + u":" +
               DecimalText(static_cast<int64_t>(place.column)) + u": " + text);
}

void PageHost::CallHandler(IDispatch& handler, DISPPARAMS& arguments) {
    ScriptCall call(*this);
    Variant result;
    EXCEPINFO exception = {};
    const HRESULT called = handler.Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &arguments,
                                          result.Out(), &exception, nullptr);
    ClearException(exception);
    if (FAILED(called) && called != SCRIPT_ERROR_REPORTED) {
        PrintError(options_.page_path + u": a handler failed: " + ResultText(called));
        Fail(EXIT_SCRIPT_ERROR);
    }
}

void PageHost::TraceEvent(const Text& line) {
    if (options_.trace) PrintOut(u"event " + line);
}

}  // namespace corvela
