// The page's script engine: the platform's JScript driven through
// IActiveScript, with the host's named items, page blocks run as they are
// reached, event handlers compiled as procedures, and every error reported
// with its place in the page file.
#pragma once

#include <activscp.h>

#include <vector>

#include "common/text.h"
#include "framework/com_ptr.h"
#include "host/page.h"

namespace corvela {

// What the engine asks of the page that runs it.
class ScriptHooks {
public:
    // The object script knows by `name`, or null.
    virtual IUnknown* NamedItem(const Text& name) = 0;
    // A script error, as "file:line:column: message".
    virtual void OnScriptError(const Text& report) = 0;
    virtual HWND PageWindow() = 0;

protected:
    ~ScriptHooks() = default;
};

// Where a piece of script comes from, for its error reports.
struct ScriptOrigin {
    Text file;  // the page file, or what else gave the text ("--run")
    SourcePlace start;
};

class ScriptSite;

// Frees the texts of an exception record and empties it.
void ClearException(EXCEPINFO& exception);

class ScriptEngine {
public:
    ScriptEngine();
    ScriptEngine(const ScriptEngine&) = delete;
    ScriptEngine& operator=(const ScriptEngine&) = delete;
    ~ScriptEngine();

    // Creates the engine and connects it to `hooks`; false when JScript is
    // missing.
    bool Start(ScriptHooks& hooks);
    // `global` makes the item's members names of the global scope.
    HRESULT AddNamedItem(const Text& name, bool global);
    // Runs a block at once. Errors reach the hooks.
    HRESULT Run(const Text& code, const ScriptOrigin& origin);
    // A function of `parameters` ("a, b") whose body is `code`; null after
    // an error, which reaches the hooks.
    ComPtr<IDispatch> Compile(const Text& code, const Text& parameters, const ScriptOrigin& origin);
    HRESULT Evaluate(const Text& expression, const ScriptOrigin& origin, VARIANT* result);
    // Ends every script; named items and compiled functions are released.
    void Close();

    // The report for an error the engine raised (used by its site).
    Text DescribeError(IActiveScriptError& error) const;

private:
    DWORD Remember(const ScriptOrigin& origin);
    HRESULT Parse(const Text& code, const ScriptOrigin& origin, DWORD flags, VARIANT* result);

    ComPtr<ScriptSite> site_;
    ComPtr<IActiveScript> script_;
    ComPtr<IActiveScriptParse> parse_;
    ComPtr<IActiveScriptParseProcedure2> procedures_;
    std::vector<ScriptOrigin> origins_;  // indexed by the source cookie
};

}  // namespace corvela
