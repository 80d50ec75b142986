#include "host/page_element.h"

#include <olectl.h>

#include "common/wide.h"
#include "framework/handles.h"
#include "framework/result.h"
#include "host/console.h"
#include "host/object_safety.h"
#include "host/param_bag.h"

namespace corvela {

// The page's ear on one object's outgoing interface: every event goes to the
// element while it listens.
class EventSink final : public DispatchObject<EventSink> {
public:
    EventSink(PageElement& element, const IID& events) : element_(&element), events_(events) {}

    void Detach() { element_ = nullptr; }

    // The object's outgoing interface, which it asks its sinks for.
    void* OtherInterface(REFIID iid) { return iid == events_ ? static_cast<IDispatch*>(this) : nullptr; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
        if (result) VariantInit(result);
        return ComEntry([&] {
            DISPPARAMS none = {};
            if (element_) element_->DeliverEvent(id, params ? *params : none);
            return S_OK;
        });
    }

private:
    PageElement* element_;
    IID events_;
};

namespace {

// The description of the class's default outgoing interface, or null.
ComPtr<ITypeInfo> DefaultEvents(IUnknown* object) {
    ComPtr<ITypeInfo> events;
    const auto provider = ComPtr<IUnknown>::Share(object).As<IProvideClassInfo>();
    ComPtr<ITypeInfo> coclass;
    if (!provider ||
        FAILED(provider->GetClassInfo(coclass.Out())) || !coclass)
        return events;
    TYPEATTR* attributes = nullptr;
    if (FAILED(coclass->GetTypeAttr(&attributes))) return events;
    const WORD count = attributes->cImplTypes;
    coclass->ReleaseTypeAttr(attributes);
    constexpr INT DEFAULT_SOURCE = IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE;
    for (UINT i = 0; i < count; ++i) {
        INT flags = 0;
        HREFTYPE reference = 0;
        if (SUCCEEDED(coclass->GetImplTypeFlags(i, &flags)) && (flags & DEFAULT_SOURCE) == DEFAULT_SOURCE &&
            SUCCEEDED(coclass->GetRefTypeOfImplType(i, &reference))) {
            coclass->GetRefTypeInfo(reference, events.Out());
            break;
        }
    }
    return events;
}

IID InterfaceOf(ITypeInfo& info) {
    TYPEATTR* attributes = nullptr;
    IID iid = IID_NULL;
    if (SUCCEEDED(info.GetTypeAttr(&attributes))) {
        iid = attributes->guid;
        info.ReleaseTypeAttr(attributes);
    }
    return iid;
}

Text ArgumentText(VARIANT& argument) {
    Variant text;
    if (FAILED(VariantChangeType(text.Out(), &argument, VARIANT_ALPHABOOL, VT_BSTR))) return u"?";
    return u"\"" + ReplaceAll(FromBstr(V_BSTR(&text.Get())), u"\"", u"\\\"") + u"\"";
}

// The arguments in the event's parameter order (the last one comes first
// in the block).
Text ArgumentsText(const DISPPARAMS& arguments) {
    Text text;
    for (UINT i = arguments.cArgs; i > 0; --i) {
        if (!text.empty()) text += u", ";
        text += ArgumentText(arguments.rgvarg[i - 1]);
    }
    return text;
}

Text Quoted(const Text& id) { return u"object \"" + id + u"\""; }

}  // namespace

PageElement::PageElement(const PageObject& object, ElementOwner& owner) : object_(object), owner_(owner) {}

PageElement::~PageElement() = default;

void PageElement::Create(HWND window, const RECT& position, const ComPtr<IMoniker>& page,
                         const ComPtr<IServiceProvider>& browser) {
    CLSID clsid = CLSID_NULL;
    ComPtr<IUnknown> object = CreateObject(clsid);
    if (!object) return;
    // An object that is no control (no IOleObject) has nothing to show.
    if (object.As<IOleObject>()) {
        site_ = ContainerSite::Create(window, position);
        site_->SetPage(page, browser);
        site_->Attach(object.Get());
    }
    // Asked once the object may know where it is hosted, as a browser asks.
    const bool trusted = Trusted(object.Get(), clsid);
    if (site_) Initialise(trusted ? Params(object.Get()) : ComPtr<IPropertyBag>());
    if (!trusted) return;
    dispatch_ = object.As<IDispatch>();
    ConnectEvents(object.Get());
}

ComPtr<IPropertyBag> PageElement::Params(IUnknown* object) {
    ComPtr<IPropertyBag> params;
    if (object_.params.empty()) return params;
    if (ComPtr<IUnknown>::Share(object).As<IPersistPropertyBag>())
        params = NewParamBag(object_.params);
    else
        owner_.ReportProblem(object_.place, Quoted(Id()) + u" takes no <param>s; they are passed over");
    return params;
}

void PageElement::Initialise(const ComPtr<IPropertyBag>& params) {
    const HRESULT initialised = site_->Initialise(params.Get());
    if (SUCCEEDED(initialised)) return;
    owner_.ReportProblem(object_.place, Quoted(Id()) + u" cannot be shown in the page: " + ResultText(initialised));
    site_->Close();
    site_.Reset();
}

ComPtr<IUnknown> PageElement::CreateObject(CLSID& clsid) {
    ComPtr<IUnknown> object;
    if (object_.class_id.empty()) {
        owner_.ReportProblem(object_.place, Quoted(Id()) + u" names no class (classid=\"clsid:...\"); it is not created");
        return object;
    }
    const Text braced = object_.class_id[0] == u'{' ? object_.class_id : u"{" + object_.class_id + u"}";
    if (FAILED(CLSIDFromString(W(braced), &clsid))) {
        owner_.ReportProblem(object_.place, Quoted(Id()) + u": \"" + object_.class_id + u"\" is no class id");
        return object;
    }
    const HRESULT created =
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.OutVoid());
    if (FAILED(created))
        owner_.ReportProblem(object_.place, Quoted(Id()) + u": class " + braced + u" cannot be created: " +
                                                ResultText(created));
    return object;
}

// As a browser does, an object is scripted and initialised from the page's
// data only when it says (or its registration says) that this is safe.
bool PageElement::Trusted(IUnknown* object, REFCLSID clsid) {
    const bool scripting = SafeForScripting(object, clsid);
    const bool initialising = object_.params.empty() || SafeForInitialising(object, clsid);
    if (scripting && initialising) return true;
    const Text refused = !scripting && !initialising ? u"scripting or initialising"
                         : !scripting                ? u"scripting"
                                                     : u"initialising from its <param>s";
    owner_.ReportProblem(object_.place, Quoted(Id()) + u" is not safe for " + refused +
                                            u": script cannot reach it and its <param>s are not read");
    return false;
}

void PageElement::ConnectEvents(IUnknown* object) {
    events_ = DefaultEvents(object);
    if (!events_) return;
    const IID events = InterfaceOf(*events_.Get());
    const auto container = ComPtr<IUnknown>::Share(object).As<IConnectionPointContainer>();
    if (!container ||
        FAILED(container->FindConnectionPoint(events, connection_.Out()))) {
        events_.Reset();
        return;
    }
    sink_ = ComPtr<EventSink>(new EventSink(*this, events));
    if (FAILED(connection_->Advise(static_cast<IDispatch*>(sink_.Get()), &cookie_))) {
        connection_.Reset();
        events_.Reset();
    }
}

void PageElement::Activate() {
    if (!site_) return;
    const HRESULT activated = site_->ActivateInPlace();
    if (FAILED(activated))
        owner_.ReportProblem(object_.place, Quoted(Id()) + u" cannot be activated in place: " + ResultText(activated));
}

void PageElement::AddHandler(const Text& event, ComPtr<IDispatch> handler, const SourcePlace& place) {
    if (!events_) {
        owner_.ReportProblem(place, Quoted(Id()) + u" fires no events here; the handler for " + event + u" is not bound");
        return;
    }
    Bstr name(ToBstr(event));
    BSTR names[] = {name.Get()};
    DISPID id = DISPID_UNKNOWN;
    const HRESULT found = events_->GetIDsOfNames(names, 1, &id);
    if (FAILED(found)) {
        owner_.ReportProblem(place, Quoted(Id()) + u" has no event " + event + u"; its handler is not bound");
        return;
    }
    handlers_.push_back({id, std::move(handler)});
}

void PageElement::DeliverEvent(DISPID id, DISPPARAMS& arguments) {
    ComPtr<IDispatch> keep_alive = ComPtr<IDispatch>::Share(this);
    owner_.TraceEvent(Id() + u"." + EventName(id) + u"(" + ArgumentsText(arguments) + u")");
    std::vector<ComPtr<IDispatch>> handlers;
    for (const Handler& handler : handlers_)
        if (handler.id == id) handlers.push_back(handler.function);
    for (const ComPtr<IDispatch>& handler : handlers) owner_.CallHandler(*handler.Get(), arguments);
}

Text PageElement::EventName(DISPID id) const {
    BSTR name = nullptr;
    UINT count = 0;
    if (!events_ || FAILED(events_->GetNames(id, &name, 1, &count)) || count == 0)
        return u"event" + DecimalText(id);
    return FromBstr(Bstr(name).Get());
}

void PageElement::DisconnectEvents() {
    handlers_.clear();
    if (connection_) connection_->Unadvise(cookie_);
    connection_.Reset();
    if (sink_) sink_->Detach();
    sink_.Reset();
}

void PageElement::Close() {
    DisconnectEvents();
    dispatch_.Reset();
    events_.Reset();
    if (site_) site_->Close();
    site_.Reset();
}

// ---- IDispatch: what script calls reaches the object ----

STDMETHODIMP PageElement::GetTypeInfoCount(UINT* count) {
    if (dispatch_) return dispatch_->GetTypeInfoCount(count);
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP PageElement::GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) {
    if (dispatch_) return dispatch_->GetTypeInfo(index, locale, info);
    if (info) *info = nullptr;
    return DISP_E_BADINDEX;
}

STDMETHODIMP PageElement::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) {
    return dispatch_ ? dispatch_->GetIDsOfNames(iid, names, count, locale, ids) : DISP_E_UNKNOWNNAME;
}

STDMETHODIMP PageElement::Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                                 EXCEPINFO* exception, UINT* argument_error) {
    // The call may end in the page closing: the object stays until it returns.
    ComPtr<IDispatch> object = dispatch_;
    if (!object) return DISP_E_MEMBERNOTFOUND;
    return object->Invoke(id, iid, locale, flags, params, result, exception, argument_error);
}

// ---- IBindEventHandler: "function id::event()" in the page's script ----

STDMETHODIMP PageElement::BindHandler(LPCOLESTR event, IDispatch* handler) {
    if (!event || !handler) return E_POINTER;
    AddHandler(FromW(event), ComPtr<IDispatch>::Share(handler), object_.place);
    return S_OK;
}

}  // namespace corvela
