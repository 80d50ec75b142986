#include <initguid.h>  // the script engine's interface ids, which the platform's libraries lack

#include "host/script_engine.h"

#include "common/wide.h"
#include "framework/com_object.h"
#include "framework/handles.h"
#include "host/console.h"

namespace corvela {
namespace {

// {F414C260-6AC0-11CF-B6D1-00AA00BBBB58}
constexpr CLSID CLSID_JSCRIPT = {0xF414C260, 0x6AC0, 0x11CF, {0xB6, 0xD1, 0x00, 0xAA, 0x00, 0xBB, 0xBB, 0x58}};

// A browser hands its engine the end tag of the element, which lets the
// engine pass over the "<!--" that old pages put around their scripts.
const wchar_t SCRIPT_DELIMITER[] = L"</script>";


}  // namespace

void ClearException(EXCEPINFO& exception) {
    Bstr source(exception.bstrSource), description(exception.bstrDescription), help(exception.bstrHelpFile);
    exception = EXCEPINFO{};
}

// The engine's view of the page: named items, the page's window, and where
// errors go.
class ScriptSite final : public ComObject<ScriptSite, IActiveScriptSite, IActiveScriptSiteWindow> {
public:
    ScriptSite(ScriptEngine& engine, ScriptHooks& hooks) : engine_(&engine), hooks_(&hooks) {}

    void Detach() {
        engine_ = nullptr;
        hooks_ = nullptr;
    }

    STDMETHODIMP GetLCID(LCID*) override { return E_NOTIMPL; }

    STDMETHODIMP GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item, ITypeInfo** type_info) override {
        if (type_info) *type_info = nullptr;
        if (mask & SCRIPTINFO_IUNKNOWN) {
            if (!item) return E_POINTER;
            *item = hooks_ && name ? hooks_->NamedItem(FromW(name)) : nullptr;
            if (!*item) return TYPE_E_ELEMENTNOTFOUND;
            (*item)->AddRef();
        }
        return S_OK;
    }

    STDMETHODIMP GetDocVersionString(BSTR*) override { return E_NOTIMPL; }
    STDMETHODIMP OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override { return S_OK; }
    STDMETHODIMP OnStateChange(SCRIPTSTATE) override { return S_OK; }

    STDMETHODIMP OnScriptError(IActiveScriptError* error) override {
        if (error && engine_ && hooks_) hooks_->OnScriptError(engine_->DescribeError(*error));
        return S_OK;
    }

    STDMETHODIMP OnEnterScript() override { return S_OK; }
    STDMETHODIMP OnLeaveScript() override { return S_OK; }

    STDMETHODIMP GetWindow(HWND* window) override {
        if (!window) return E_POINTER;
        *window = hooks_ ? hooks_->PageWindow() : nullptr;
        return S_OK;
    }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }

private:
    ScriptEngine* engine_;
    ScriptHooks* hooks_;
};

ScriptEngine::ScriptEngine() = default;
ScriptEngine::~ScriptEngine() { Close(); }

bool ScriptEngine::Start(ScriptHooks& hooks) {
    if (FAILED(CoCreateInstance(CLSID_JSCRIPT, nullptr, CLSCTX_INPROC_SERVER, IID_IActiveScript, script_.OutVoid())))
        return false;
    site_ = ComPtr<ScriptSite>(new ScriptSite(*this, hooks));
    return SUCCEEDED(script_.AsTo(&parse_)) && SUCCEEDED(script_.AsTo(&procedures_)) &&
           SUCCEEDED(script_->SetScriptSite(site_.Get())) &&
           SUCCEEDED(parse_->InitNew()) && SUCCEEDED(script_->SetScriptState(SCRIPTSTATE_CONNECTED));
}

HRESULT ScriptEngine::AddNamedItem(const Text& name, bool global) {
    const DWORD flags = SCRIPTITEM_ISVISIBLE | (global ? SCRIPTITEM_GLOBALMEMBERS : 0);
    return script_ ? script_->AddNamedItem(W(name), flags) : E_UNEXPECTED;
}

DWORD ScriptEngine::Remember(const ScriptOrigin& origin) {
    origins_.push_back(origin);
    return static_cast<DWORD>(origins_.size() - 1);
}

HRESULT ScriptEngine::Parse(const Text& code, const ScriptOrigin& origin, DWORD flags, VARIANT* result) {
    if (!parse_) return E_UNEXPECTED;
    EXCEPINFO exception = {};
    const wchar_t* delimiter = flags & SCRIPTTEXT_ISEXPRESSION ? nullptr : SCRIPT_DELIMITER;
    const HRESULT hr = parse_->ParseScriptText(W(code), nullptr, nullptr, delimiter, Remember(origin),
                                               static_cast<ULONG>(origin.start.line - 1), flags, result, &exception);
    ClearException(exception);
    return hr;
}

HRESULT ScriptEngine::Run(const Text& code, const ScriptOrigin& origin) {
    return Parse(code, origin, SCRIPTTEXT_ISVISIBLE, nullptr);
}

ComPtr<IDispatch> ScriptEngine::Compile(const Text& code, const Text& parameters, const ScriptOrigin& origin) {
    ComPtr<IDispatch> function;
    if (!procedures_) return function;
    procedures_->ParseProcedureText(W(code), W(parameters), nullptr, nullptr, nullptr, SCRIPT_DELIMITER,
                                    Remember(origin), static_cast<ULONG>(origin.start.line - 1), 0,
                                    function.Out());
    return function;
}

HRESULT ScriptEngine::Evaluate(const Text& expression, const ScriptOrigin& origin, VARIANT* result) {
    return Parse(expression, origin, SCRIPTTEXT_ISEXPRESSION, result);
}

void ScriptEngine::Close() {
    if (script_) script_->Close();
    if (site_) site_->Detach();
    procedures_.Reset();
    parse_.Reset();
    script_.Reset();
    site_.Reset();
}

Text ScriptEngine::DescribeError(IActiveScriptError& error) const {
    DWORD cookie = 0;
    ULONG line = 0;
    LONG column = 0;
    error.GetSourcePosition(&cookie, &line, &column);
    EXCEPINFO exception = {};
    error.GetExceptionInfo(&exception);
    if (exception.pfnDeferredFillIn) exception.pfnDeferredFillIn(&exception);
    Text message = FromBstr(exception.bstrDescription);
    if (message.empty()) message = u"error " + ResultText(exception.scode ? exception.scode : exception.wCode);
    ClearException(exception);
    const ScriptOrigin origin = cookie < origins_.size() ? origins_[cookie] : ScriptOrigin{u"script", {}};
    const SourcePlace place = PlaceInFile(origin.start, line, static_cast<size_t>(column < 0 ? 0 : column));
    return origin.file + u":" + DecimalText(static_cast<int64_t>(place.line)) + u":" +
           DecimalText(static_cast<int64_t>(place.column)) + u": " + message;
}

}  // namespace corvela
