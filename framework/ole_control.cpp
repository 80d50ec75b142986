#include "framework/ole_control.h"

#include <olectl.h>

#include <vector>

#include "common/language.h"
#include "common/wide.h"
#include "framework/enumerator.h"
#include "framework/resources.h"
#include "framework/result.h"

namespace corvela {
namespace {

const wchar_t kWindowClass[] = L"CorvelaControlWindow";
constexpr DWORD SAFETY_OPTIONS = INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
constexpr DWORD kPersistVersion = MAKELONG(0, 1);  // minor 0, major 1

LONG PixelsToHimetric(LONG pixels) { return MulDiv(pixels, 2540, 96); }

void RegisterWindowClass(WNDPROC procedure) {
    static const ATOM atom = [procedure] {
        WNDCLASSEXW window_class = {};
        window_class.cbSize = sizeof(window_class);
        window_class.style = CS_DBLCLKS;
        window_class.lpfnWndProc = procedure;
        window_class.hInstance = ModuleInstance();
        window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        window_class.lpszClassName = kWindowClass;
        return RegisterClassExW(&window_class);
    }();
    (void)atom;
}

void CopyVerb(const OLEVERB& from, OLEVERB* to) {
    *to = from;
    const size_t bytes = (lstrlenW(from.lpszVerbName) + 1) * sizeof(wchar_t);
    to->lpszVerbName = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
    if (to->lpszVerbName) memcpy(to->lpszVerbName, from.lpszVerbName, bytes);
}
void FreeVerb(OLEVERB& verb) { CoTaskMemFree(verb.lpszVerbName); }
using VerbEnumerator = SnapshotEnumerator<IEnumOLEVERB, OLEVERB, CopyVerb, FreeVerb>;

}  // namespace

OleControl::OleControl(const OleControlClass& info)
    : info_(info), events_(this, *info.events), extent_{PixelsToHimetric(200), PixelsToHimetric(100)} {}

OleControl::~OleControl() {
    if (Handle()) DestroyWindow(Handle());
}

// ---- IUnknown ----

void* OleControl::OtherInterface(REFIID iid) {
    if (iid == *info_.dispatch) return static_cast<IDispatch*>(this);
    if (iid == IID_IOleWindow) return static_cast<IOleInPlaceObject*>(this);
    if (iid == IID_IViewObject) return static_cast<IViewObject2*>(this);
    if (iid == IID_IPersist) return static_cast<IPersistStreamInit*>(this);
    if (iid == IID_IProvideClassInfo) return static_cast<IProvideClassInfo2*>(this);
    return nullptr;
}

OleControl::KeepAlive::KeepAlive(OleControl* control)
    : held_(control && control->AddRefUnlessDestroyed() ? control : nullptr) {}

OleControl::KeepAlive::~KeepAlive() {
    if (held_) held_->Release();
}

// ---- IDispatch ----

ComPtr<ITypeLib> OleControl::LoadTypeLibrary(LCID locale) const {
    ComPtr<ITypeLib> library;
    if (SUCCEEDED(LoadRegTypeLib(*info_.library, info_.library_major, info_.library_minor, locale, library.Out())))
        return library;
    // Not registered (a test program, or a module copied without setup):
    // the library travels in the module's resources.
    LoadTypeLibEx(W(ModulePath()), REGKIND_NONE, library.Out());
    return library;
}

STDMETHODIMP OleControl::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

STDMETHODIMP OleControl::GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return ComEntry([&] {
        ComPtr<ITypeLib> library = LoadTypeLibrary(locale);
        if (!library) return TYPE_E_CANTLOADLIBRARY;
        return library->GetTypeInfoOfGuid(*info_.dispatch, info);
    });
}

STDMETHODIMP OleControl::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    return info_.table->GetIDsOfNames(names, count, ids);
}

STDMETHODIMP OleControl::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                EXCEPINFO* exception, UINT* argument_error) {
    // A call may release the last outside reference (a page dropping the
    // control from an event handler): stay alive until the call is over.
    const KeepAlive alive(this);
    return ComEntry([&] { return info_.table->Invoke(this, id, flags, params, result, exception, argument_error); });
}

// ---- IOleObject ----

STDMETHODIMP OleControl::SetClientSite(IOleClientSite* site) {
    if (!site && in_place_active_) InPlaceDeactivate();
    site_ = ComPtr<IOleClientSite>::Share(site);
    return S_OK;
}

STDMETHODIMP OleControl::GetClientSite(IOleClientSite** site) {
    if (!site) return E_POINTER;
    *site = site_.Get();
    if (*site) (*site)->AddRef();
    return S_OK;
}

STDMETHODIMP OleControl::SetHostNames(LPCOLESTR, LPCOLESTR) { return S_OK; }

STDMETHODIMP OleControl::Close(DWORD) {
    InPlaceDeactivate();
    if (advise_holder_) advise_holder_->SendOnClose();
    return S_OK;
}

STDMETHODIMP OleControl::SetMoniker(DWORD, IMoniker*) { return E_NOTIMPL; }
STDMETHODIMP OleControl::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
}
STDMETHODIMP OleControl::InitFromData(IDataObject*, BOOL, DWORD) { return E_NOTIMPL; }
STDMETHODIMP OleControl::GetClipboardData(DWORD, IDataObject** data) {
    if (data) *data = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP OleControl::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT) {
    // Activation creates the window, which fires the control's first event.
    const KeepAlive alive(this);
    if (site && !site_) site_ = ComPtr<IOleClientSite>::Share(site);
    return ComEntry([&] {
        switch (verb) {
            case OLEIVERB_PRIMARY:
            case OLEIVERB_SHOW:
            case OLEIVERB_INPLACEACTIVATE:
            case OLEIVERB_UIACTIVATE:
                return InPlaceActivate(verb);
            case OLEIVERB_HIDE:
                if (Handle()) ShowWindow(Handle(), SW_HIDE);
                return S_OK;
            case OLEIVERB_PROPERTIES:
                return ShowPropertyPages(parent);
            default:
                return verb > 0 ? OLEOBJ_S_INVALIDVERB : E_NOTIMPL;
        }
    });
}

STDMETHODIMP OleControl::EnumVerbs(IEnumOLEVERB** verbs) {
    if (!verbs) return E_POINTER;
    // The standard Properties verb opens the control's property page.
    *verbs = nullptr;
    return ComEntry([&] {
        static wchar_t properties_name[] = L"&Properties...";
        OLEVERB properties = {OLEIVERB_PROPERTIES, properties_name, 0, OLEVERBATTRIB_ONCONTAINERMENU};
        std::vector<OLEVERB> items(1);
        CopyVerb(properties, &items[0]);
        *verbs = new VerbEnumerator(std::move(items));
        return S_OK;
    });
}

STDMETHODIMP OleControl::Update() { return S_OK; }
STDMETHODIMP OleControl::IsUpToDate() { return S_OK; }

STDMETHODIMP OleControl::GetUserClassID(CLSID* clsid) { return GetClassID(clsid); }

STDMETHODIMP OleControl::GetUserType(DWORD, LPOLESTR* type) {
    if (!type) return E_POINTER;
    *type = nullptr;
    return ComEntry([&] {
        const Text name = LoadResString(info_.type_name_id);
        const size_t bytes = (name.size() + 1) * sizeof(wchar_t);
        *type = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
        if (!*type) return E_OUTOFMEMORY;
        memcpy(*type, W(name), bytes);
        return S_OK;
    });
}

STDMETHODIMP OleControl::SetExtent(DWORD aspect, SIZEL* size) {
    if (!size) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    extent_ = *size;
    return S_OK;
}

STDMETHODIMP OleControl::GetExtent(DWORD aspect, SIZEL* size) {
    if (!size) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *size = extent_;
    return S_OK;
}

STDMETHODIMP OleControl::Advise(IAdviseSink* sink, DWORD* connection) {
    if (!advise_holder_) RETURN_IF_FAILED(CreateOleAdviseHolder(advise_holder_.Out()));
    return advise_holder_->Advise(sink, connection);
}

STDMETHODIMP OleControl::Unadvise(DWORD connection) {
    return advise_holder_ ? advise_holder_->Unadvise(connection) : OLE_E_NOCONNECTION;
}

STDMETHODIMP OleControl::EnumAdvise(IEnumSTATDATA** advise) {
    if (!advise) return E_POINTER;
    *advise = nullptr;
    return advise_holder_ ? advise_holder_->EnumAdvise(advise) : S_OK;
}

STDMETHODIMP OleControl::GetMiscStatus(DWORD, DWORD* status) {
    if (!status) return E_POINTER;
    *status = info_.misc_status;
    return S_OK;
}

STDMETHODIMP OleControl::SetColorScheme(LOGPALETTE*) { return E_NOTIMPL; }

// ---- in-place activation ----

HRESULT OleControl::InPlaceActivate(LONG verb) {
    if (!site_) return E_UNEXPECTED;
    if (!in_place_active_) {
        ComPtr<IOleInPlaceSite> in_place;
        RETURN_IF_FAILED(site_.AsTo(&in_place));
        if (in_place->CanInPlaceActivate() != S_OK) return E_FAIL;
        in_place->OnInPlaceActivate();
        in_place_site_ = in_place;
        in_place_active_ = true;
    }
    HWND parent = nullptr;
    in_place_site_->GetWindow(&parent);
    RECT position = {}, clip = {};
    OLEINPLACEFRAMEINFO frame_info = {};
    frame_info.cb = sizeof(frame_info);
    frame_.Reset();
    document_.Reset();
    in_place_site_->GetWindowContext(frame_.Out(), document_.Out(), &position, &clip, &frame_info);

    if (!Handle()) {
        const HRESULT created = CreateControlWindow(parent, position);
        if (FAILED(created)) {
            InPlaceDeactivate();
            return created;
        }
    } else {
        SetObjectRects(&position, &clip);
    }
    ShowWindow(Handle(), SW_SHOW);
    return verb == OLEIVERB_UIACTIVATE ? UIActivate() : S_OK;
}

// The UI-active object is the one the container offers its keys to; the
// keyboard focus goes with it.
HRESULT OleControl::UIActivate() {
    if (!in_place_site_) return E_UNEXPECTED;
    if (!ui_active_) {
        ui_active_ = true;
        in_place_site_->OnUIActivate();
        if (frame_) frame_->SetActiveObject(this, nullptr);
        if (document_) document_->SetActiveObject(this, nullptr);
    }
    HWND focus = GetFocus();
    if (Handle() && focus != Handle() && !IsChild(Handle(), focus)) SetFocus(Handle());
    return S_OK;
}

void OleControl::OnFocusChanged(bool gained) {
    if (gained && in_place_active_ && !ui_active_) UIActivate();
    if (const auto control_site = site_.As<IOleControlSite>()) control_site->OnFocus(gained);
}

HRESULT OleControl::CreateControlWindow(HWND parent, const RECT& position) {
    RegisterWindowClass(&WindowBase::WindowProcedure);
    HWND created = CreateWindowFor(0, kWindowClass, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, position,
                                   parent, nullptr, ModuleInstance());
    RETURN_LAST_ERROR_IF(!created);
    return S_OK;
}

STDMETHODIMP OleControl::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = Handle();
    return *window ? S_OK : E_FAIL;
}

STDMETHODIMP OleControl::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

STDMETHODIMP OleControl::InPlaceDeactivate() {
    if (!in_place_active_) return S_OK;
    UIDeactivate();
    in_place_active_ = false;
    if (Handle()) DestroyWindow(Handle());
    frame_.Reset();
    document_.Reset();
    ComPtr<IOleInPlaceSite> in_place = std::move(in_place_site_);
    if (in_place) in_place->OnInPlaceDeactivate();
    return S_OK;
}

STDMETHODIMP OleControl::UIDeactivate() {
    if (!ui_active_) return S_OK;
    ui_active_ = false;
    if (frame_) frame_->SetActiveObject(nullptr, nullptr);
    if (document_) document_->SetActiveObject(nullptr, nullptr);
    if (in_place_site_) in_place_site_->OnUIDeactivate(FALSE);
    return S_OK;
}

STDMETHODIMP OleControl::SetObjectRects(LPCRECT position, LPCRECT) {
    if (!position) return E_POINTER;
    if (Handle())
        MoveWindow(Handle(), position->left, position->top, position->right - position->left,
                   position->bottom - position->top, TRUE);
    return S_OK;
}

STDMETHODIMP OleControl::ReactivateAndUndo() { return E_NOTIMPL; }
STDMETHODIMP OleControl::TranslateAccelerator(LPMSG message) {
    if (!message) return S_FALSE;
    const KeepAlive alive(this);
    return ComEntry([&] { return TakeKey(*message) ? S_OK : S_FALSE; });
}
STDMETHODIMP OleControl::OnFrameWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP OleControl::OnDocWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP OleControl::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
STDMETHODIMP OleControl::EnableModeless(BOOL) { return S_OK; }

// ---- IOleControl ----

STDMETHODIMP OleControl::GetControlInfo(CONTROLINFO* info) {
    if (!info) return E_POINTER;
    info->cb = sizeof(*info);
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

STDMETHODIMP OleControl::OnMnemonic(MSG*) { return S_OK; }
STDMETHODIMP OleControl::OnAmbientPropertyChange(DISPID) { return S_OK; }

// A container freezes events while it cannot take them (a browser while it
// loads the page); each freeze is undone by one thaw.
STDMETHODIMP OleControl::FreezeEvents(BOOL freeze) {
    if (freeze) {
        ++frozen_events_;
        return S_OK;
    }
    if (frozen_events_ > 0) --frozen_events_;
    const KeepAlive alive(this);
    return ComEntry([&] {
        DeliverHeldEvents();
        return S_OK;
    });
}

// ---- IViewObject2: the control's window draws everything itself ----

STDMETHODIMP OleControl::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                              BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!dc || !bounds) return E_INVALIDARG;
    return S_OK;
}

STDMETHODIMP OleControl::GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE** colors) {
    if (colors) *colors = nullptr;
    return S_FALSE;
}
STDMETHODIMP OleControl::Freeze(DWORD, LONG, void*, DWORD*) { return E_NOTIMPL; }
STDMETHODIMP OleControl::Unfreeze(DWORD) { return E_NOTIMPL; }

STDMETHODIMP OleControl::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
    view_aspects_ = aspects;
    view_flags_ = flags;
    view_sink_ = ComPtr<IAdviseSink>::Share(sink);
    return S_OK;
}

STDMETHODIMP OleControl::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
    if (aspects) *aspects = view_aspects_;
    if (flags) *flags = view_flags_;
    if (sink) {
        *sink = view_sink_.Get();
        if (*sink) (*sink)->AddRef();
    }
    return S_OK;
}

STDMETHODIMP OleControl::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
    return GetExtent(aspect, size);
}

// ---- persistence: the version stamp and the extent, nothing of the control's own ----

STDMETHODIMP OleControl::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = *info_.clsid;
    return S_OK;
}

STDMETHODIMP OleControl::IsDirty() { return modified_ ? S_OK : S_FALSE; }

STDMETHODIMP OleControl::Load(LPSTREAM stream) {
    if (!stream) return E_POINTER;
    DWORD version = 0;
    SIZEL extent = {};
    if (FAILED(stream->Read(&version, sizeof(version), nullptr)) ||
        FAILED(stream->Read(&extent, sizeof(extent), nullptr)))
        return STG_E_READFAULT;
    if (extent.cx > 0 && extent.cy > 0) extent_ = extent;
    modified_ = false;
    return S_OK;
}

STDMETHODIMP OleControl::Save(LPSTREAM stream, BOOL clear_dirty) {
    if (!stream) return E_POINTER;
    const DWORD version = kPersistVersion;
    if (FAILED(stream->Write(&version, sizeof(version), nullptr)) ||
        FAILED(stream->Write(&extent_, sizeof(extent_), nullptr)))
        return STG_E_WRITEFAULT;
    if (clear_dirty) modified_ = false;
    return S_OK;
}

STDMETHODIMP OleControl::GetSizeMax(ULARGE_INTEGER* size) {
    if (!size) return E_POINTER;
    size->QuadPart = sizeof(DWORD) + sizeof(SIZEL);
    return S_OK;
}

STDMETHODIMP OleControl::InitNew() {
    modified_ = false;
    return S_OK;
}

STDMETHODIMP OleControl::Load(IPropertyBag* bag, IErrorLog* log) {
    if (!bag) return E_POINTER;
    // A positive whole number the bag holds under `name`, or 0.
    auto read_extent = [&](const wchar_t* name) -> LONG {
        Variant value;
        V_VT(value.Out()) = VT_I4;
        if (FAILED(bag->Read(name, &value.Get(), log)) || V_VT(&value.Get()) != VT_I4) return 0;
        return V_I4(&value.Get()) > 0 ? V_I4(&value.Get()) : 0;
    };
    if (const LONG width = read_extent(L"_ExtentX")) extent_.cx = width;
    if (const LONG height = read_extent(L"_ExtentY")) extent_.cy = height;
    modified_ = false;
    return S_OK;
}

STDMETHODIMP OleControl::Save(IPropertyBag* bag, BOOL clear_dirty, BOOL) {
    if (!bag) return E_POINTER;
    VARIANT value;
    V_VT(&value) = VT_I4;
    V_I4(&value) = kPersistVersion;
    bag->Write(L"_Version", &value);
    V_I4(&value) = extent_.cx;
    bag->Write(L"_ExtentX", &value);
    V_I4(&value) = extent_.cy;
    bag->Write(L"_ExtentY", &value);
    if (clear_dirty) modified_ = false;
    return S_OK;
}

// ---- class information, events and property pages ----

STDMETHODIMP OleControl::GetClassInfo(ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    return ComEntry([&] {
        ComPtr<ITypeLib> library = LoadTypeLibrary(LOCALE_USER_DEFAULT);
        if (!library) return TYPE_E_CANTLOADLIBRARY;
        return library->GetTypeInfoOfGuid(*info_.clsid, info);
    });
}

STDMETHODIMP OleControl::GetGUID(DWORD kind, GUID* guid) {
    if (!guid) return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
    *guid = *info_.events;
    return S_OK;
}

STDMETHODIMP OleControl::EnumConnectionPoints(IEnumConnectionPoints** points) {
    return ComEntry([&] { return EnumerateConnectionPoints({&events_}, points); });
}

STDMETHODIMP OleControl::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (iid != events_.Events()) return CONNECT_E_NOCONNECTION;
    *point = &events_;
    events_.AddRef();
    return S_OK;
}

STDMETHODIMP OleControl::GetPages(CAUUID* pages) {
    if (!pages) return E_POINTER;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems) {
        pages->cElems = 0;
        return E_OUTOFMEMORY;
    }
    pages->cElems = 1;
    pages->pElems[0] = *info_.property_page;
    return S_OK;
}

HRESULT OleControl::ShowPropertyPages(HWND parent) {
    IUnknown* self = static_cast<IDispatch*>(this);
    const Text caption = LoadResString(info_.type_name_id);
    return OleCreatePropertyFrame(parent ? parent : Handle(), 0, 0, W(caption), 1, &self, 1,
                                  const_cast<CLSID*>(info_.property_page), ThreadLanguage(), 0, nullptr);
}

void OleControl::FireEvent(DISPID id, std::initializer_list<Text> arguments) {
    if (frozen_events_ > 0) {
        held_events_.push_back({id, TextList(arguments)});
        return;
    }
    const KeepAlive alive(this);
    events_.Fire(id, TextList(arguments));
}

// A handler may freeze events again, or fire new ones; these wait behind
// the ones still held.
void OleControl::DeliverHeldEvents() {
    while (frozen_events_ == 0 && !held_events_.empty()) {
        const HeldEvent event = std::move(held_events_.front());
        held_events_.pop_front();
        events_.Fire(event.id, event.arguments);
    }
}

void OleControl::InvalidateControl() {
    if (Handle()) InvalidateRect(Handle(), nullptr, TRUE);
}

// ---- IObjectSafety ----

bool OleControl::HasSafetyOptions(REFIID iid) const {
    return iid == IID_IDispatch || iid == *info_.dispatch || iid == IID_IPersistPropertyBag ||
           iid == IID_IPersistStreamInit || iid == IID_IPersist;
}

STDMETHODIMP OleControl::GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) {
    if (!supported || !enabled) return E_POINTER;
    if (!HasSafetyOptions(iid)) {
        *supported = *enabled = 0;
        return E_NOINTERFACE;
    }
    *supported = SAFETY_OPTIONS;
    *enabled = safety_options_;
    return S_OK;
}

// A container asks before it scripts or initialises the control; where the
// control may not be made safe it refuses, and a browser then leaves it alone.
STDMETHODIMP OleControl::SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD enabled) {
    if (!HasSafetyOptions(iid)) return E_NOINTERFACE;
    if (mask & ~SAFETY_OPTIONS) return E_FAIL;
    const DWORD requested = enabled & mask;
    return ComEntry([&] {
        if (requested != 0 && !MayBeMadeSafe()) return E_FAIL;
        safety_options_ = (safety_options_ & ~mask) | requested;
        return S_OK;
    });
}

}  // namespace corvela
