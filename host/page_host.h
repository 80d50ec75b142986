// The page host: one top-level window for one page. It creates the page's
// objects and activates them in place, runs the page's JScript with the
// window and document a page expects, hands the objects' events to the
// page's handlers on the page's thread, plays the user's actions it was
// given and ends when the page closes.
#pragma once

#include <map>
#include <vector>

#include "framework/com_ptr.h"
#include "framework/handles.h"
#include "framework/window.h"
#include "host/host_options.h"
#include "host/page.h"
#include "host/page_element.h"
#include "host/page_globals.h"
#include "host/script_engine.h"

namespace corvela {

class PageHost final : public PageGlobals, public ScriptHooks, public ElementOwner, public WindowBase {
public:
    explicit PageHost(HostOptions options);
    ~PageHost();
    PageHost(const PageHost&) = delete;
    PageHost& operator=(const PageHost&) = delete;

    // Opens the page and runs it until it closes; the exit status.
    int Run();

    // PageGlobals
    void Alert(const Text& message) override;
    int32_t SetTimeout(const VARIANT& code, int32_t milliseconds) override;
    void ClearTimeout(int32_t id) override;
    void CloseWindow() override;
    ComPtr<IDispatch> ElementById(const Text& id) override;
    Text Title() override { return title_; }
    void SetTitle(const Text& title) override;

    // ScriptHooks
    IUnknown* NamedItem(const Text& name) override;
    void OnScriptError(const Text& report) override;
    HWND PageWindow() override { return window_.Get(); }

    // ElementOwner
    void ReportProblem(const SourcePlace& place, const Text& text) override;
    void CallHandler(IDispatch& handler, DISPPARAMS& arguments) override;
    void TraceEvent(const Text& line) override;

protected:
    bool OnMessage(const WindowMessage& message, LRESULT* result) override;

private:
    // A call into the page's script; the page may not be torn down under it.
    class ScriptCall;
    struct Timeout {
        ComPtr<IDispatch> function;
        Text code;
    };

    bool Open();
    bool CreatePageWindow(const std::vector<RECT>& places);
    void CreateElements(const std::vector<RECT>& places);
    bool StartScript();
    void BindHandlers();
    void Load();
    void RunMessageLoop();
    bool TranslateKey(MSG& message);
    bool ActionDue() const;
    DWORD MillisecondsToNextAction() const;
    void PlayNextAction();
    void PlayRun(const HostAction& action);
    bool PlayOnObject(const HostAction& action);
    void OnTimer(UINT_PTR id);
    void Fail(int status);
    void RequestClose();
    void TearDown();
    PageElement* Element(const Text& id) const;
    ScriptOrigin PageOrigin(const SourcePlace& start) const { return {options_.page_path, start}; }

    HostOptions options_;
    int dpi_;  // the screen's, which the page's pixels are scaled to
    Page page_;
    Text title_;
    Text url_;
    OwnedWindow window_;
    ComPtr<IMoniker> moniker_;
    ComPtr<IServiceProvider> browser_;
    ScriptEngine engine_;
    ComPtr<IDispatch> document_;
    ComPtr<IDispatch> window_object_;
    std::vector<ComPtr<PageElement>> elements_;  // one per page object, in page order
    std::map<UINT_PTR, Timeout> timeouts_;
    UINT_PTR next_timeout_ = 1;
    size_t next_action_ = 0;
    DWORD wait_until_ = 0;
    int script_depth_ = 0;
    bool closing_ = false;
    bool closed_ = false;
    int exit_status_ = EXIT_PAGE_CLOSED;
};

}  // namespace corvela
