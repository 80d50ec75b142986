#include "support.h"

#include <wininet.h>

#include "framework/handles.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <utility>

namespace test {

// ---- where Wine differs from Windows ----

bool UnderWine() {
    static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

// ---- environment and files ----

std::wstring Env(const wchar_t* name) {
    wchar_t value[4096] = {};
    const DWORD length = GetEnvironmentVariableW(name, value, 4096);
    return length > 0 && length < 4096 ? std::wstring(value, length) : std::wstring();
}

std::wstring OcxPath() { return Env(L"CORVELA_OCX"); }

std::wstring ScratchDir() {
    std::wstring dir = Env(L"CORVELA_SCRATCH");
    if (dir.empty()) {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        dir = std::wstring(temp) + L"corvela-tests";
    }
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

std::wstring NewScratchFolder(const std::wstring& name) {
    static int counter = 0;
    const std::wstring folder = ScratchDir() + L"\\" + name + L"-" + std::to_wstring(GetCurrentProcessId()) +
                                L"-" + std::to_wstring(++counter);
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::wstring NewSystemDriveFolder(const std::wstring& name) {
    static int counter = 0;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring base = std::wstring(temp) + L"corvela-tests";
    CreateDirectoryW(base.c_str(), nullptr);
    const std::wstring folder =
        base + L"\\" + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::string ReadFileBytes(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes;
    char block[65536];
    DWORD read = 0;
    while (ReadFile(file, block, sizeof(block), &read, nullptr) && read > 0) bytes.append(block, read);
    CloseHandle(file);
    return bytes;
}

bool MakeSparseFile(const std::wstring& path, uint64_t length, char last_byte) {
    corvela::KernelHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER end = {};
    end.QuadPart = static_cast<LONGLONG>(length);
    if (!SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN) || !SetEndOfFile(file.Get())) return false;
    end.QuadPart -= 1;
    DWORD written = 0;
    return SetFilePointerEx(file.Get(), end, nullptr, FILE_BEGIN) &&
           WriteFile(file.Get(), &last_byte, 1, &written, nullptr) && written == 1;
}

bool FileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

EnvironmentOverride::EnvironmentOverride(const wchar_t* name, const std::wstring& value)
    : name_(name), old_(Env(name)) {
    SetEnvironmentVariableW(name, value.c_str());
}

EnvironmentOverride::~EnvironmentOverride() { SetEnvironmentVariableW(name_, old_.empty() ? nullptr : old_.c_str()); }

bool SetClassesDefaultValue(const std::wstring& key, const std::wstring& value, DWORD type) {
    HKEY created = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &created, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const LONG result = RegSetValueExW(created, nullptr, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(created);
    return result == ERROR_SUCCESS;
}

bool RegisterOpenCommand(const std::wstring& extension, const std::wstring& command, DWORD type) {
    const std::wstring class_name = L"corvela" + extension.substr(1) + L"file";
    return SetClassesDefaultValue(extension, class_name, REG_SZ) &&
           SetClassesDefaultValue(class_name + L"\\shell\\open\\command", command, type);
}

std::wstring Utf16(const std::string& utf8) {
    if (utf8.empty()) return std::wstring();
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(length, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &text[0], length);
    return text;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(length, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], length, nullptr, nullptr);
    return bytes;
}

// ---- servers ----

namespace {

int PortFrom(const wchar_t* variable) { return _wtoi(Env(variable).c_str()); }

}  // namespace

int UploadPort() { return PortFrom(L"UPLOAD_SERVER_PORT"); }
int DownloadPort() { return PortFrom(L"DOWNLOAD_SERVER_PORT"); }

std::wstring UploadUrl(const std::wstring& path) {
    return L"http://127.0.0.1:" + std::to_wstring(UploadPort()) + path;
}

std::wstring DownloadUrl(const std::wstring& path) {
    return L"http://127.0.0.1:" + std::to_wstring(DownloadPort()) + path;
}

int ReceiverPort() { return PortFrom(L"RECEIVER_PORT"); }

std::wstring ReceiverUrl(const std::wstring& path) {
    return L"http://127.0.0.1:" + std::to_wstring(ReceiverPort()) + path;
}

std::wstring ReceiverFiles() { return Env(L"RECEIVER_FILES"); }

std::wstring SlowReceiverUrl(const std::wstring& path) {
    return L"http://127.0.0.1:" + std::to_wstring(PortFrom(L"SLOW_RECEIVER_PORT")) + path;
}

// A log line: time, client, user, method, result, status, then key=value fields.
std::vector<ReceivedUpload> SlowReceiverUploads() {
    std::vector<ReceivedUpload> uploads;
    std::istringstream lines(ReadFileBytes(Env(L"SLOW_RECEIVER_REQUESTS")));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::vector<std::string> words;
        for (std::string word; fields >> word;) words.push_back(word);
        if (words.size() < 6 || words[3] != "POST") continue;
        ReceivedUpload upload{words[4], ""};
        for (const std::string& word : words)
            if (word.compare(0, 5, "name=") == 0) upload.name = word.substr(5);
        uploads.push_back(upload);
    }
    return uploads;
}

std::string DownloadPattern(size_t size, int seed) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 31 + seed) & 0xFF);
    return bytes;
}

std::string HttpGet(const std::wstring& url, DWORD* status) {
    std::string body;
    HINTERNET session = InternetOpenW(L"corvela-tests", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (!session) return body;
    HINTERNET request = InternetOpenUrlW(session, url.c_str(), nullptr, 0,
                                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0);
    if (request) {
        if (status) {
            DWORD code = 0, size = sizeof(code);
            HttpQueryInfoW(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size, nullptr);
            *status = code;
        }
        char block[8192];
        DWORD read = 0;
        while (InternetReadFile(request, block, sizeof(block), &read) && read > 0) body.append(block, read);
        InternetCloseHandle(request);
    }
    InternetCloseHandle(session);
    return body;
}

// ---- JSON (enough for the servers' logs) ----

namespace {

class JsonReader {
public:
    explicit JsonReader(const std::string& text) : text_(text) {}
    Json Value() {
        Space();
        Json value;
        if (at_ >= text_.size()) return value;
        const char c = text_[at_];
        if (c == '{') {
            value.kind = Json::Kind::Object;
            ++at_;
            Space();
            if (Peek('}')) return value;
            do {
                Space();
                std::string key = String();
                Space();
                Expect(':');
                value.fields[key] = Value();
                Space();
            } while (Take(','));
            Expect('}');
        } else if (c == '[') {
            value.kind = Json::Kind::Array;
            ++at_;
            Space();
            if (Peek(']')) return value;
            do value.items.push_back(Value());
            while (Take(','));
            Space();
            Expect(']');
        } else if (c == '"') {
            value.kind = Json::Kind::String;
            value.text = String();
        } else if (text_.compare(at_, 4, "true") == 0 || text_.compare(at_, 5, "false") == 0) {
            value.kind = Json::Kind::Bool;
            value.boolean = text_[at_] == 't';
            at_ += value.boolean ? 4 : 5;
        } else if (text_.compare(at_, 4, "null") == 0) {
            at_ += 4;
        } else {
            value.kind = Json::Kind::Number;
            size_t used = 0;
            value.number = std::stod(text_.substr(at_, 40), &used);
            at_ += used;
        }
        return value;
    }

private:
    void Space() {
        while (at_ < text_.size() && isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
    }
    bool Peek(char c) {
        Space();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool Take(char c) { return Peek(c); }
    void Expect(char c) { Peek(c); }
    void AppendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    std::string String() {
        std::string out;
        Expect('"');
        while (at_ < text_.size() && text_[at_] != '"') {
            char c = text_[at_++];
            if (c != '\\') {
                out += c;
                continue;
            }
            c = text_[at_++];
            switch (c) {
                case 'n': out += '\n'; break;
                case 't': out += '\t'; break;
                case 'r': out += '\r'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'u': AppendUtf8(out, std::stoul(text_.substr(at_, 4), nullptr, 16)); at_ += 4; break;
                default: out += c;
            }
        }
        ++at_;
        return out;
    }

    const std::string& text_;
    size_t at_ = 0;
};

}  // namespace

const Json& Json::operator[](const std::string& key) const {
    static const Json null;
    auto found = fields.find(key);
    return found == fields.end() ? null : found->second;
}

Json ParseJson(const std::string& text) { return JsonReader(text).Value(); }

Json ServerLog(int port) {
    return ParseJson(HttpGet(L"http://127.0.0.1:" + std::to_wstring(port) + L"/__log"));
}

void ResetServer(int port) { HttpGet(L"http://127.0.0.1:" + std::to_wstring(port) + L"/__reset"); }

// ---- variants and dispatch ----

Var::Var(const wchar_t* text) {
    VariantInit(&value_);
    V_VT(&value_) = VT_BSTR;
    V_BSTR(&value_) = SysAllocString(text);
}

Var::Var(int value) {
    VariantInit(&value_);
    V_VT(&value_) = VT_I4;
    V_I4(&value_) = value;
}

Var::Var(bool value) {
    VariantInit(&value_);
    V_VT(&value_) = VT_BOOL;
    V_BOOL(&value_) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

Var::Var(const Var& other) {
    VariantInit(&value_);
    VariantCopy(&value_, const_cast<VARIANT*>(&other.value_));
}

Var& Var::operator=(const Var& other) {
    if (this != &other) VariantCopy(&value_, const_cast<VARIANT*>(&other.value_));
    return *this;
}

std::wstring Var::Text() const {
    if (V_VT(&value_) == VT_BSTR) return std::wstring(V_BSTR(&value_), SysStringLen(V_BSTR(&value_)));
    VARIANT copy;
    VariantInit(&copy);
    std::wstring text;
    if (SUCCEEDED(VariantChangeType(&copy, const_cast<VARIANT*>(&value_), 0, VT_BSTR))) text = V_BSTR(&copy);
    VariantClear(&copy);
    return text;
}

int Var::Int() const {
    VARIANT copy;
    VariantInit(&copy);
    int value = 0;
    if (SUCCEEDED(VariantChangeType(&copy, const_cast<VARIANT*>(&value_), 0, VT_I4))) value = V_I4(&copy);
    VariantClear(&copy);
    return value;
}

CallResult Invoke(IDispatch* object, const wchar_t* name, WORD flags, const std::vector<Var>& arguments) {
    CallResult result;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    result.hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(result.hr)) return result;
    std::vector<VARIANT> reversed(arguments.size());
    for (size_t i = 0; i < arguments.size(); ++i) reversed[arguments.size() - 1 - i] = *arguments[i].get();
    DISPID put_id = DISPID_PROPERTYPUT;
    DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    if (flags & DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &put_id;
        params.cNamedArgs = 1;
    }
    EXCEPINFO exception = {};
    UINT argument_error = 0;
    result.hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.value.get(), &exception,
                               &argument_error);
    if (result.hr == DISP_E_EXCEPTION) {
        result.scode = exception.scode;
        if (exception.bstrDescription) result.description = exception.bstrDescription;
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
    }
    return result;
}

Var Call(IDispatch* object, const wchar_t* name, const std::vector<Var>& arguments) {
    return Invoke(object, name, DISPATCH_METHOD, arguments).value;
}

Var Get(IDispatch* object, const wchar_t* name, const std::vector<Var>& arguments) {
    return Invoke(object, name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, arguments).value;
}

HRESULT Put(IDispatch* object, const wchar_t* name, const Var& value) {
    return Invoke(object, name, DISPATCH_PROPERTYPUT, {value}).hr;
}

// ---- messages ----

void PumpFor(DWORD milliseconds) {
    PumpUntil([] { return false; }, milliseconds);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeout_milliseconds) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done()) return true;
        if (GetTickCount() - start >= timeout_milliseconds) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// ---- message boxes ----

namespace {

std::wstring WindowText(HWND window) {
    wchar_t text[2048] = {};
    GetWindowTextW(window, text, 2048);
    return text;
}

BOOL CALLBACK CollectStaticText(HWND child, LPARAM out) {
    wchar_t class_name[64] = {};
    GetClassNameW(child, class_name, 64);
    if (lstrcmpiW(class_name, L"Static") == 0 && !(GetWindowLongW(child, GWL_STYLE) & SS_ICON)) {
        std::wstring text = WindowText(child);
        if (!text.empty()) *reinterpret_cast<std::wstring*>(out) = text;
    }
    return TRUE;
}

// The text of a message box: its static control that is not an icon.
std::wstring MessageText(HWND box) {
    std::wstring found;
    EnumChildWindows(box, &CollectStaticText, reinterpret_cast<LPARAM>(&found));
    return found;
}

BOOL CALLBACK CollectMessageBoxes(HWND window, LPARAM out) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t class_name[64] = {};
    GetClassNameW(window, class_name, 64);
    if (process == GetCurrentProcessId() && lstrcmpW(class_name, L"#32770") == 0 && IsWindowVisible(window) &&
        GetDlgItem(window, 0xFFFF) != nullptr)
        reinterpret_cast<std::vector<HWND>*>(out)->push_back(window);
    return TRUE;
}

BOOL CALLBACK FindProgressDialogWindow(HWND window, LPARAM out) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t class_name[64] = {};
    GetClassNameW(window, class_name, 64);
    if (process != GetCurrentProcessId() || lstrcmpW(class_name, L"#32770") != 0) return TRUE;
    if (!GetDlgItem(window, 207) || !GetDlgItem(window, 202)) return TRUE;
    *reinterpret_cast<HWND*>(out) = window;
    return FALSE;
}

}  // namespace

MessageBoxWatcher::MessageBoxWatcher() : thread_([this] { Run(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
    stop_ = true;
    thread_.join();
}

void MessageBoxWatcher::Answer(const std::wstring& text_part, UINT button) {
    std::lock_guard<std::mutex> lock(mutex_);
    rules_.push_back({text_part, button});
}

void MessageBoxWatcher::BeforeAnswer(std::function<void(const Seen&)> hook) {
    std::lock_guard<std::mutex> lock(mutex_);
    before_answer_ = std::move(hook);
}

std::vector<MessageBoxWatcher::Seen> MessageBoxWatcher::seen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}

void MessageBoxWatcher::Run() {
    while (!stop_) {
        std::vector<HWND> boxes;
        EnumWindows(&CollectMessageBoxes, reinterpret_cast<LPARAM>(&boxes));
        for (HWND box : boxes) {
            // Without a rule: OK where the box has it, else No (or Cancel).
            const UINT fallback = GetDlgItem(box, IDOK) ? IDOK : GetDlgItem(box, IDNO) ? IDNO : IDCANCEL;
            Seen seen{WindowText(box), MessageText(box), fallback, GetWindowThreadProcessId(box, nullptr)};
            {
                std::lock_guard<std::mutex> lock(mutex_);
                for (const auto& rule : rules_)
                    if (seen.text.find(rule.first) != std::wstring::npos) {
                        seen.answer = rule.second;
                        break;
                    }
                seen_.push_back(seen);
            }
            std::function<void(const Seen&)> hook;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                hook = before_answer_;
            }
            if (hook) hook(seen);
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(seen.answer, BN_CLICKED), 0);
            // Wait until the box is gone so it is recorded once.
            for (int i = 0; i < 200 && IsWindow(box) && IsWindowVisible(box); ++i) Sleep(10);
        }
        Sleep(20);
    }
}

// ---- the dialog's side of the progress notices ----

ProgressReceiver::ProgressReceiver(corvela::ProgressChannel::PostFunction post) : channel(std::move(post)) {
    static const ATOM registered = [] {
        WNDCLASSW window_class = {};
        window_class.lpfnWndProc = &ProgressReceiver::Procedure;
        window_class.hInstance = GetModuleHandleW(nullptr);
        window_class.lpszClassName = L"CorvelaTestProgressReceiver";
        return RegisterClassW(&window_class);
    }();
    (void)registered;
    window_ = CreateWindowExW(0, L"CorvelaTestProgressReceiver", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), this);
    channel.Open(window_);
}

ProgressReceiver::~ProgressReceiver() { Destroy(); }

void ProgressReceiver::Destroy() {
    if (window_) DestroyWindow(window_);
    window_ = nullptr;
}

LRESULT CALLBACK ProgressReceiver::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<ProgressReceiver*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message == corvela::WM_TRANSFER_PROGRESS) return self->Take(wparam, lparam);
    if (self && message == WM_DESTROY) self->channel.Close();
    return DefWindowProcW(window, message, wparam, lparam);
}

LRESULT ProgressReceiver::Take(WPARAM, LPARAM lparam) {
    if (lparam != corvela::POSTED_RECORDS_WAITING) return 0;
    for (const corvela::PostedRecord& posted : channel.TakePosted())
        if (posted.record) Keep(posted.kind, *posted.record);
    return 0;
}

void ProgressReceiver::Keep(WPARAM kind, const corvela::ProgressRecord& record) {
    ++claimed;
    if (keep_records) {
        records.push_back(record);
        kinds.push_back(kind);
    }
    if (on_record) on_record(record);
}

// ---- the progress dialog ----

HWND FindProgressDialog() {
    HWND found = nullptr;
    EnumWindows(&FindProgressDialogWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::wstring ControlText(HWND dialog, int id) {
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, id, text, 512);
    return text;
}

DialogWatcher::DialogWatcher(std::function<bool(HWND, const Sample&)> act)
    : act_(std::move(act)), thread_([this] { Run(); }) {}

DialogWatcher::~DialogWatcher() {
    stop_ = true;
    thread_.join();
    if (intercepted_ && IsWindow(intercepted_) && GetPropW(intercepted_, L"CorvelaDialogWatcher")) {
        SetWindowLongPtrW(intercepted_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
        RemovePropW(intercepted_, L"CorvelaDialogWatcher");
    }
}

std::vector<DialogWatcher::Sample> DialogWatcher::samples() {
    std::lock_guard<std::mutex> lock(mutex_);
    return samples_;
}

DialogWatcher::Sample DialogWatcher::Final() {
    std::lock_guard<std::mutex> lock(mutex_);
    return final_;
}

LRESULT CALLBACK DialogWatcher::Intercept(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* watcher = reinterpret_cast<DialogWatcher*>(GetPropW(window, L"CorvelaDialogWatcher"));
    const WNDPROC original = watcher->original_;
    if (message == WM_DESTROY) {
        Sample final{IsWindowVisible(window) != FALSE, WindowText(window), ControlText(window, 204),
                     ControlText(window, 205), ControlText(window, 206)};
        std::lock_guard<std::mutex> lock(watcher->mutex_);
        watcher->final_ = final;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropW(window, L"CorvelaDialogWatcher");
    }
    return CallWindowProcW(original, window, message, wparam, lparam);
}

void DialogWatcher::Run() {
    while (!stop_) {
        HWND dialog = FindProgressDialog();
        if (dialog) {
            found_ = true;
            if (dialog != intercepted_) {
                // Watch the dialog's end from its own thread.
                intercepted_ = dialog;
                SetPropW(dialog, L"CorvelaDialogWatcher", this);
                original_ = reinterpret_cast<WNDPROC>(
                    SetWindowLongPtrW(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Intercept)));
            }
            Sample sample{IsWindowVisible(dialog) != FALSE, WindowText(dialog), ControlText(dialog, 204),
                          ControlText(dialog, 205), ControlText(dialog, 206)};
            if (sample.visible) visible_ = true;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (samples_.empty() || samples_.back().bytes != sample.bytes || samples_.back().name != sample.name ||
                    samples_.back().title != sample.title || samples_.back().visible != sample.visible)
                    samples_.push_back(sample);
            }
            if (act_ && act_(dialog, sample)) act_ = nullptr;
        }
        Sleep(3);
    }
}

// ---- events ----

EventRecorder::EventRecorder(REFIID events) : events_iid_(events) {}

STDMETHODIMP EventRecorder::QueryInterface(REFIID iid, void** object) {
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == events_iid_) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) EventRecorder::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

STDMETHODIMP EventRecorder::GetTypeInfoCount(UINT* count) {
    *count = 0;
    return S_OK;
}
STDMETHODIMP EventRecorder::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
STDMETHODIMP EventRecorder::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

STDMETHODIMP EventRecorder::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
    Event event{id, {}};
    for (UINT i = params ? params->cArgs : 0; i > 0; --i) {
        VARIANT& argument = params->rgvarg[i - 1];
        event.arguments.push_back(V_VT(&argument) == VT_BSTR ? std::wstring(V_BSTR(&argument)) : L"?");
    }
    events_.push_back(event);
    if (on_event) on_event(event);
    return S_OK;
}

bool EventRecorder::Connect(IUnknown* control, bool hold_control) {
    IConnectionPointContainer* container = nullptr;
    if (FAILED(control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container))))
        return false;
    const HRESULT found = container->FindConnectionPoint(events_iid_, &point_);
    container->Release();
    if (FAILED(found)) return false;
    const bool connected = SUCCEEDED(point_->Advise(static_cast<IDispatch*>(this), &cookie_));
    if (!hold_control) {
        point_->Release();
        point_ = nullptr;
    }
    return connected;
}

void EventRecorder::Disconnect() {
    if (!point_) return;
    point_->Unadvise(cookie_);
    point_->Release();
    point_ = nullptr;
}

size_t EventRecorder::Count(DISPID id) const {
    size_t count = 0;
    for (const Event& event : events_) count += event.id == id ? 1 : 0;
    return count;
}

// ---- the container ----

TestContainer::TestContainer() {
    static const ATOM atom = [] {
        WNDCLASSW window_class = {};
        window_class.lpfnWndProc = DefWindowProcW;
        window_class.hInstance = GetModuleHandleW(nullptr);
        window_class.lpszClassName = L"CorvelaTestHost";
        window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        return RegisterClassW(&window_class);
    }();
    (void)atom;
    host_ = CreateWindowExW(0, L"CorvelaTestHost", L"Corvela test host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                            50, 50, 600, 300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

TestContainer::~TestContainer() {
    Close();
    if (host_) DestroyWindow(host_);
}

HRESULT TestContainer::Host(REFCLSID clsid, int width, int height,
                            const std::function<void(IUnknown*)>& before_activation) {
    IUnknown* object = nullptr;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&object));
    if (FAILED(hr)) return hr;
    hr = HostObject(object, width, height, before_activation);
    object->Release();
    return hr;
}

HRESULT TestContainer::HostObject(IUnknown* object, int width, int height,
                                  const std::function<void(IUnknown*)>& before_activation) {
    RECT frame = {0, 0, width, height};
    AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
    SetWindowPos(host_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER);
    ShowWindow(host_, SW_SHOWNOACTIVATE);
    RECT client = {};
    GetClientRect(host_, &client);
    site_ = corvela::ContainerSite::Create(host_, client);
    HRESULT hr = site_->Attach(object);
    if (SUCCEEDED(hr)) hr = site_->Initialise(nullptr);
    if (FAILED(hr)) return hr;
    if (before_activation) before_activation(site_->Object());
    return site_->ActivateInPlace();
}

void TestContainer::Resize(int width, int height) {
    if (site_) site_->SetPosition({0, 0, width, height});
}

void TestContainer::Close() {
    if (site_) site_->Close();
    site_.Reset();
}

void TestContainer::Abandon() {
    if (site_) site_->DropObject();
    site_.Reset();  // the control still holds the site
}

IDispatch* TestContainer::Control() const {
    if (!site_ || !site_->Object()) return nullptr;
    IDispatch* dispatch = nullptr;
    site_->Object()->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    if (dispatch) dispatch->Release();  // the container keeps the control alive
    return dispatch;
}

HWND TestContainer::ControlWindow() const { return site_ ? site_->ObjectWindow() : nullptr; }

void TestContainer::PressKey(UINT key) {
    HWND focus = GetFocus();
    const LPARAM press = 1 | (static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16);
    PostMessageW(focus, WM_KEYDOWN, key, press);
    PostMessageW(focus, WM_KEYUP, key, press | 0xC0000000);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (site_ && site_->TranslateKey(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace test
