// Shared tools of the Windows test suite: the loopback servers, dispatch
// calls, an event recorder, message pumping, a watcher that answers message
// boxes, and a small OLE container.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <oleauto.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/com_ptr.h"
#include "framework/container_site.h"
#include "session/progress_channel.h"

namespace test {

// ---- where Wine differs from Windows ----

// Whether the suite runs under Wine (its ntdll exports wine_get_version).
bool UnderWine();

// What a check expects where the suite knows Wine behaves otherwise than
// Windows: `on_windows` there, `under_wine` here. A check written with it
// fails the day either side changes, so the difference is checked rather
// than remembered.
template <typename T>
T Expected(T on_windows, T under_wine) {
    return UnderWine() ? under_wine : on_windows;
}

// ---- environment and files ----

std::wstring Env(const wchar_t* name);
// The OCX under test (CORVELA_OCX) and the folder the tests may write in.
std::wstring OcxPath();
std::wstring ScratchDir();
std::wstring NewScratchFolder(const std::wstring& name);
// A new folder on the system's own drive (the prefix's C: under Wine). The
// scratch folders lie on Wine's drive of the host's root, where the control
// writes no file that could run code.
std::wstring NewSystemDriveFolder(const std::wstring& name);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path);
// A file of `length` bytes that takes no disk space: only its last byte is
// written (Wine extends the Linux file sparsely).
bool MakeSparseFile(const std::wstring& path, uint64_t length, char last_byte);
bool FileExists(const std::wstring& path);
// The names of the files and folders directly in `folder`, in name order.
std::vector<std::wstring> FilesIn(const std::wstring& folder);

// Sets an environment variable of this process for the life of the object.
class EnvironmentOverride {
public:
    EnvironmentOverride(const wchar_t* name, const std::wstring& value);
    ~EnvironmentOverride();
    EnvironmentOverride(const EnvironmentOverride&) = delete;
    EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

private:
    const wchar_t* name_;
    std::wstring old_;
};

// Writes the default value of a key below HKEY_CLASSES_ROOT, creating it.
bool SetClassesDefaultValue(const std::wstring& key, const std::wstring& value, DWORD type = REG_SZ);
// Registers `command` as the open command of files ending in `extension`
// (".cvq") for this prefix.
bool RegisterOpenCommand(const std::wstring& extension, const std::wstring& command, DWORD type = REG_SZ);
std::wstring Utf16(const std::string& utf8);
std::string Utf8(const std::wstring& text);

// ---- the loopback servers ----

int UploadPort();
int DownloadPort();
std::wstring UploadUrl(const std::wstring& path);    // http://127.0.0.1:<port><path>
std::wstring DownloadUrl(const std::wstring& path);
// The bytes the download server sends for a file of `size` bytes with this seed.
std::string DownloadPattern(size_t size, int seed);
std::string HttpGet(const std::wstring& url, DWORD* status = nullptr);

// The reference receiver (RECEIVER_PORT) and the folder it stores under
// (RECEIVER_FILES).
int ReceiverPort();
std::wstring ReceiverUrl(const std::wstring& path);
std::wstring ReceiverFiles();

// A second reference receiver that reads each upload slowly (SLOW_RECEIVER_PORT),
// and what its log (SLOW_RECEIVER_REQUESTS) says of each upload, in order.
struct ReceivedUpload {
    std::string result;  // stored, cut, refused, ...
    std::string name;
};
std::wstring SlowReceiverUrl(const std::wstring& path);
std::vector<ReceivedUpload> SlowReceiverUploads();

class Json {
public:
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> fields;

    const Json& operator[](const std::string& key) const;
    const Json& operator[](size_t index) const { return items.at(index); }
    size_t size() const { return kind == Kind::Array ? items.size() : fields.size(); }
    long long Int() const { return static_cast<long long>(number); }
};
Json ParseJson(const std::string& text);

// Requests recorded by a server (control endpoints excluded).
Json ServerLog(int port);
void ResetServer(int port);

// ---- variants and dispatch ----

class Var {
public:
    Var() { VariantInit(&value_); }
    Var(const wchar_t* text);
    Var(const std::wstring& text) : Var(text.c_str()) {}
    Var(int value);
    Var(bool value);
    Var(const Var& other);
    Var& operator=(const Var& other);
    ~Var() { VariantClear(&value_); }

    VARIANT* get() { return &value_; }
    const VARIANT* get() const { return &value_; }
    VARTYPE type() const { return V_VT(&value_); }
    std::wstring Text() const;
    int Int() const;

private:
    mutable VARIANT value_;  // the platform's copy and conversion functions take no const
};

struct CallResult {
    HRESULT hr = E_FAIL;
    Var value;
    SCODE scode = 0;  // the scripting error carried by DISP_E_EXCEPTION
    std::wstring description;
};

// Late-bound calls by name, as a script engine makes them.
CallResult Invoke(IDispatch* object, const wchar_t* name, WORD flags, const std::vector<Var>& arguments);
Var Call(IDispatch* object, const wchar_t* name, const std::vector<Var>& arguments = {});
Var Get(IDispatch* object, const wchar_t* name, const std::vector<Var>& arguments = {});
HRESULT Put(IDispatch* object, const wchar_t* name, const Var& value);

// ---- messages ----

void PumpFor(DWORD milliseconds);
bool PumpUntil(const std::function<bool()>& done, DWORD timeout_milliseconds);

// Answers message boxes of this process while it lives: each box is
// recorded and answered with the button that the first matching rule names
// (without a matching rule: OK, or No where the box has no OK button).
class MessageBoxWatcher {
public:
    struct Seen {
        std::wstring caption;
        std::wstring text;
        UINT answer;
        DWORD thread;
    };

    MessageBoxWatcher();
    ~MessageBoxWatcher();
    void Answer(const std::wstring& text_part, UINT button);
    // Runs on the watcher's thread when a box appears, before it is answered.
    void BeforeAnswer(std::function<void(const Seen&)> hook);
    std::vector<Seen> seen();

private:
    void Run();
    std::mutex mutex_;
    std::vector<std::pair<std::wstring, UINT>> rules_;
    std::function<void(const Seen&)> before_answer_;
    std::vector<Seen> seen_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// ---- the dialog's side of the progress notices ----

// Stands in for the progress dialog: a hidden window on the test thread
// whose channel a transport posts its records to. Each record is taken,
// counted, (unless keep_records is false) kept in order and shown to
// on_record. `post` stands in for the window's message queue (PostMessageW
// when empty).
class ProgressReceiver {
public:
    explicit ProgressReceiver(corvela::ProgressChannel::PostFunction post = nullptr);
    ~ProgressReceiver();
    ProgressReceiver(const ProgressReceiver&) = delete;
    ProgressReceiver& operator=(const ProgressReceiver&) = delete;

    // The window goes, and its channel is closed with it, as the dialog's is.
    void Destroy();

    corvela::ProgressChannel channel;
    std::vector<corvela::ProgressRecord> records;
    std::vector<WPARAM> kinds;
    bool keep_records = true;
    size_t claimed = 0;
    std::function<void(const corvela::ProgressRecord&)> on_record;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT Take(WPARAM kind, LPARAM lparam);
    void Keep(WPARAM kind, const corvela::ProgressRecord& record);
    HWND window_ = nullptr;
};

// ---- the progress dialog of a running batch ----

// The visible or hidden progress dialog of this process, or null.
HWND FindProgressDialog();
std::wstring ControlText(HWND dialog, int id);

// Watches the progress dialog from another thread while a batch runs on the
// test thread: records what it showed and can act on it once.
class DialogWatcher {
public:
    struct Sample {
        bool visible;
        std::wstring title, name, files, bytes;
    };
    // `act` is called with each sample until it returns true.
    explicit DialogWatcher(std::function<bool(HWND, const Sample&)> act = nullptr);
    ~DialogWatcher();
    std::vector<Sample> samples();
    // What the dialog showed as it was destroyed (its final state, which a
    // sample may miss: the dialog can end right after its last update).
    Sample Final();
    bool ever_found() const { return found_; }
    bool ever_visible() const { return visible_; }

private:
    void Run();
    static LRESULT CALLBACK Intercept(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    std::function<bool(HWND, const Sample&)> act_;
    Sample final_;
    HWND intercepted_ = nullptr;
    WNDPROC original_ = nullptr;
    std::mutex mutex_;
    std::vector<Sample> samples_;
    std::atomic<bool> found_{false};
    std::atomic<bool> visible_{false};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// ---- events ----

struct Event {
    DISPID id;
    std::vector<std::wstring> arguments;
};

// A sink for a control's outgoing interface that records every call.
class EventRecorder : public IDispatch {
public:
    explicit EventRecorder(REFIID events);
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override;

    // With `hold_control` false the recorder lets go of the connection
    // point at once, so it does not keep the control alive (it can then not
    // disconnect itself; the control releases it when it goes away).
    bool Connect(IUnknown* control, bool hold_control = true);
    void Disconnect();
    std::vector<Event> events() const { return events_; }
    size_t Count(DISPID id) const;
    // Called inside each event, before it returns to the control.
    std::function<void(const Event&)> on_event;

private:
    IID events_iid_;
    std::atomic<ULONG> references_{1};
    std::vector<Event> events_;
    IConnectionPoint* point_ = nullptr;
    DWORD cookie_ = 0;
};

// ---- a small OLE container hosting one control in its own window ----

class TestContainer {
public:
    TestContainer();
    ~TestContainer();
    // Creates the control, lets `before_activation` see it (to connect a sink)
    // and activates it in place over the host's client area.
    HRESULT Host(REFCLSID clsid, int width, int height,
                 const std::function<void(IUnknown*)>& before_activation = nullptr);
    // The same with an object created by the caller (the container takes a
    // reference of its own).
    HRESULT HostObject(IUnknown* object, int width, int height,
                       const std::function<void(IUnknown*)>& before_activation = nullptr);
    void Resize(int width, int height);
    void Close();
    // Lets go of the container's references without closing the control, as
    // a page does that drops its last reference to it.
    void Abandon();
    IDispatch* Control() const;
    HWND HostWindow() const { return host_; }
    HWND ControlWindow() const;
    corvela::ContainerSite* Site() const { return site_.Get(); }
    // Presses `key` (a virtual-key code) where the keyboard focus is: its
    // messages are posted to the focused window and run through a loop that
    // hands keys to the control as a browser does (ContainerSite::TranslateKey),
    // until the thread's queue is empty.
    void PressKey(UINT key);

private:
    HWND host_ = nullptr;
    corvela::ComPtr<corvela::ContainerSite> site_;
};

}  // namespace test
