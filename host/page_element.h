// One <object> of the page as script sees it, as a browser's object element:
// script reaches the object's own members through it, and the page's
// handlers are bound to the object's events through it (for/event scripts,
// and "function id::event()" through IBindEventHandler).
#pragma once

#include <activscp.h>
#include <oaidl.h>

#include <vector>

#include "common/text.h"
#include "framework/com_object.h"
#include "framework/com_ptr.h"
#include "framework/container_site.h"
#include "host/page.h"

namespace corvela {

// What an element needs from the page that holds it.
class ElementOwner {
public:
    // Something about the object the page's author should hear of.
    virtual void ReportProblem(const SourcePlace& place, const Text& text) = 0;
    // Calls one of the page's handlers with an event's arguments.
    virtual void CallHandler(IDispatch& handler, DISPPARAMS& arguments) = 0;
    // Each event as it arrives, before its handlers run; empty when not asked.
    virtual void TraceEvent(const Text& line) = 0;

protected:
    ~ElementOwner() = default;
};

class EventSink;

class PageElement final : public ComObject<PageElement, IDispatch, IBindEventHandler> {
public:
    PageElement(const PageObject& object, ElementOwner& owner);
    ~PageElement() override;

    // Creates the object by its class id, asks whether it may be scripted
    // and initialised from the page's <param>s, and takes it into a site in
    // `window` at `position`. A problem is reported and leaves an element
    // without an object, which script cannot call into.
    void Create(HWND window, const RECT& position, const ComPtr<IMoniker>& page, const ComPtr<IServiceProvider>& browser);
    void Activate();
    // Binds `handler` to the object's event `event`; an unknown event is reported.
    void AddHandler(const Text& event, ComPtr<IDispatch> handler, const SourcePlace& place);
    // Lets go of the page's handlers and of the object's events.
    void DisconnectEvents();
    // Closes the object and lets go of it.
    void Close();

    const Text& Id() const { return object_.id; }
    // A key message the page's loop is about to dispatch, offered to the
    // object as a browser does (ContainerSite::TranslateKey); true when it
    // is used and must not be dispatched.
    bool TranslateKey(MSG& message) { return site_ && site_->TranslateKey(message); }
    HWND ObjectWindow() const { return site_ ? site_->ObjectWindow() : nullptr; }

    // Called by the event sink for each event the object fires.
    void DeliverEvent(DISPID id, DISPPARAMS& arguments);

    // IDispatch: the object's own members
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argument_error) override;
    // IBindEventHandler
    STDMETHODIMP BindHandler(LPCOLESTR event, IDispatch* handler) override;

private:
    struct Handler {
        DISPID id;
        ComPtr<IDispatch> function;
    };

    ComPtr<IUnknown> CreateObject(CLSID& clsid);
    // The page's <param>s for an object that reads a property bag, or null.
    ComPtr<IPropertyBag> Params(IUnknown* object);
    void Initialise(const ComPtr<IPropertyBag>& params);
    bool Trusted(IUnknown* object, REFCLSID clsid);
    void ConnectEvents(IUnknown* object);
    Text EventName(DISPID id) const;

    PageObject object_;
    ElementOwner& owner_;
    ComPtr<ContainerSite> site_;
    ComPtr<IDispatch> dispatch_;  // null while the object may not be scripted
    ComPtr<ITypeInfo> events_;
    ComPtr<IConnectionPoint> connection_;
    ComPtr<EventSink> sink_;
    DWORD cookie_ = 0;
    std::vector<Handler> handlers_;
};

}  // namespace corvela
