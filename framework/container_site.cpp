#include "framework/container_site.h"

#include <olectl.h>

#include "framework/handles.h"

namespace corvela {
namespace {

// A browser's controls run in user mode, draw no hatching or grab handles and
// get no reflected messages.
bool AmbientValue(DISPID id, VARIANT* value) {
    switch (id) {
        case DISPID_AMBIENT_USERMODE:
            V_VT(value) = VT_BOOL;
            V_BOOL(value) = VARIANT_TRUE;
            return true;
        case DISPID_AMBIENT_UIDEAD:
        case DISPID_AMBIENT_SHOWGRABHANDLES:
        case DISPID_AMBIENT_SHOWHATCHING:
        case DISPID_AMBIENT_DISPLAYASDEFAULT:
        case DISPID_AMBIENT_MESSAGEREFLECT:
        case DISPID_AMBIENT_SUPPORTSMNEMONICS:
            V_VT(value) = VT_BOOL;
            V_BOOL(value) = VARIANT_FALSE;
            return true;
        case DISPID_AMBIENT_LOCALEID:
            V_VT(value) = VT_I4;
            V_I4(value) = static_cast<LONG>(GetUserDefaultLCID());
            return true;
        case DISPID_AMBIENT_BACKCOLOR:
            V_VT(value) = VT_I4;
            V_I4(value) = static_cast<LONG>(0x80000000 | COLOR_WINDOW);
            return true;
        case DISPID_AMBIENT_FORECOLOR:
            V_VT(value) = VT_I4;
            V_I4(value) = static_cast<LONG>(0x80000000 | COLOR_WINDOWTEXT);
            return true;
        default:
            return false;
    }
}

}  // namespace

ComPtr<ContainerSite> ContainerSite::Create(HWND window, const RECT& position) {
    return ComPtr<ContainerSite>(new ContainerSite(window, position));
}

void ContainerSite::SetPage(ComPtr<IMoniker> moniker, ComPtr<IServiceProvider> services) {
    page_moniker_ = std::move(moniker);
    services_ = std::move(services);
}

HRESULT ContainerSite::Attach(IUnknown* object) {
    if (!object) return E_POINTER;
    const HRESULT found = object->QueryInterface(IID_IOleObject, object_.OutVoid());
    if (FAILED(found)) return found;
    DWORD status = 0;
    object_->GetMiscStatus(DVASPECT_CONTENT, &status);
    site_given_ = (status & OLEMISC_SETCLIENTSITEFIRST) != 0;
    if (site_given_) object_->SetClientSite(this);
    return S_OK;
}

HRESULT ContainerSite::Initialise(IPropertyBag* properties) {
    if (!object_) return E_UNEXPECTED;
    const HRESULT loaded = Load(properties);
    if (!site_given_) object_->SetClientSite(this);
    site_given_ = true;
    return loaded;
}

HRESULT ContainerSite::Load(IPropertyBag* properties) {
    ComPtr<IPersistPropertyBag> bag;
    const HRESULT has_bag = object_.AsTo(&bag);
    if (properties) return SUCCEEDED(has_bag) ? bag->Load(properties, nullptr) : has_bag;
    if (const auto stream = object_.As<IPersistStreamInit>()) return stream->InitNew();
    return SUCCEEDED(has_bag) ? bag->InitNew() : S_OK;
}

HRESULT ContainerSite::ActivateInPlace() {
    if (!object_) return E_UNEXPECTED;
    return object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, window_, &position_);
}

void ContainerSite::SetPosition(const RECT& position) {
    position_ = position;
    if (const auto in_place = object_.As<IOleInPlaceObject>()) in_place->SetObjectRects(&position_, &position_);
}

void ContainerSite::DropObject() {
    active_object_.Reset();
    object_.Reset();
}

void ContainerSite::Close() {
    ComPtr<IOleObject> object = std::move(object_);
    if (!object) return;
    object->Close(OLECLOSE_NOSAVE);
    object->SetClientSite(nullptr);
}

HWND ContainerSite::ObjectWindow() const {
    HWND handle = nullptr;
    if (const auto window = object_.As<IOleWindow>()) window->GetWindow(&handle);
    return handle;
}

// ---- IUnknown ----

void* ContainerSite::OtherInterface(REFIID iid) {
    if (iid == IID_IOleWindow) return static_cast<IOleInPlaceSite*>(this);
    if (iid == IID_IOleInPlaceUIWindow) return static_cast<IOleInPlaceFrame*>(this);
    return nullptr;
}

// ---- IOleClientSite ----

STDMETHODIMP ContainerSite::SaveObject() { return S_OK; }

// The container's moniker names the page, as a browser's does: a control
// reads its display name to learn where it is hosted.
STDMETHODIMP ContainerSite::GetMoniker(DWORD, DWORD which, IMoniker** moniker) {
    if (!moniker) return E_POINTER;
    *moniker = nullptr;
    if (which != OLEWHICHMK_CONTAINER || !page_moniker_) return E_FAIL;
    *moniker = page_moniker_.Get();
    (*moniker)->AddRef();
    return S_OK;
}

STDMETHODIMP ContainerSite::GetContainer(IOleContainer** container) {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP ContainerSite::ShowObject() { return S_OK; }
STDMETHODIMP ContainerSite::OnShowWindow(BOOL) { return S_OK; }
STDMETHODIMP ContainerSite::RequestNewObjectLayout() { return E_NOTIMPL; }

// ---- IOleWindow ----

STDMETHODIMP ContainerSite::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = window_;
    return S_OK;
}

STDMETHODIMP ContainerSite::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

// ---- IOleInPlaceSite ----

STDMETHODIMP ContainerSite::CanInPlaceActivate() { return S_OK; }
STDMETHODIMP ContainerSite::OnInPlaceActivate() { return S_OK; }
STDMETHODIMP ContainerSite::OnUIActivate() {
    object_ui_active_ = true;
    return S_OK;
}

STDMETHODIMP ContainerSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                             LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
    if (!frame || !document || !position || !clip || !info) return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;
    *position = position_;
    GetClientRect(window_, clip);
    info->fMDIApp = FALSE;
    info->hwndFrame = window_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
}

STDMETHODIMP ContainerSite::Scroll(SIZE) { return E_NOTIMPL; }
STDMETHODIMP ContainerSite::OnUIDeactivate(BOOL) {
    object_ui_active_ = false;
    return S_OK;
}
STDMETHODIMP ContainerSite::OnInPlaceDeactivate() { return S_OK; }
STDMETHODIMP ContainerSite::DiscardUndoState() { return S_OK; }
STDMETHODIMP ContainerSite::DeactivateAndUndo() { return S_OK; }

// The container decides where objects stand; a control's wish to move is
// answered with the place it already has.
STDMETHODIMP ContainerSite::OnPosRectChange(LPCRECT) {
    SetPosition(position_);
    return S_OK;
}

// ---- IOleInPlaceUIWindow, IOleInPlaceFrame ----

STDMETHODIMP ContainerSite::GetBorder(LPRECT) { return INPLACE_E_NOTOOLSPACE; }
STDMETHODIMP ContainerSite::RequestBorderSpace(LPCBORDERWIDTHS) { return INPLACE_E_NOTOOLSPACE; }
STDMETHODIMP ContainerSite::SetBorderSpace(LPCBORDERWIDTHS) { return S_OK; }
STDMETHODIMP ContainerSite::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) {
    active_object_ = ComPtr<IOleInPlaceActiveObject>::Share(object);
    return S_OK;
}
STDMETHODIMP ContainerSite::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) { return E_NOTIMPL; }
STDMETHODIMP ContainerSite::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
STDMETHODIMP ContainerSite::RemoveMenus(HMENU) { return E_NOTIMPL; }
STDMETHODIMP ContainerSite::SetStatusText(LPCOLESTR) { return S_OK; }
STDMETHODIMP ContainerSite::EnableModeless(BOOL) { return S_OK; }
STDMETHODIMP ContainerSite::TranslateAccelerator(LPMSG, WORD) { return S_FALSE; }

// ---- the keyboard ----

namespace {

bool IsPageKey(WPARAM key) {
    switch (key) {
        case VK_SPACE:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_END:
        case VK_HOME:
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
            return true;
        default:
            return false;
    }
}

}  // namespace

bool ContainerSite::TranslateKey(MSG& message) {
    if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST || !active_object_) return false;
    HWND object_window = ObjectWindow();
    if (!object_window || (message.hwnd != object_window && !IsChild(object_window, message.hwnd))) return false;
    ComPtr<IOleInPlaceActiveObject> active = active_object_;
    if (active->TranslateAccelerator(&message) == S_OK) return true;
    const bool key_down = message.message == WM_KEYDOWN;
    if (key_down && message.wParam == VK_TAB) {
        SetFocus(window_);
        if (const auto in_place = object_.As<IOleInPlaceObject>()) in_place->UIDeactivate();
        return true;
    }
    return (key_down || message.message == WM_KEYUP) && IsPageKey(message.wParam);
}

// ---- IOleControlSite ----

STDMETHODIMP ContainerSite::OnControlInfoChanged() { return S_OK; }
STDMETHODIMP ContainerSite::LockInPlaceActive(BOOL) { return S_OK; }

STDMETHODIMP ContainerSite::GetExtendedControl(IDispatch** control) {
    if (control) *control = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP ContainerSite::TransformCoords(POINTL*, POINTF*, DWORD) { return E_NOTIMPL; }
STDMETHODIMP ContainerSite::TranslateAccelerator(MSG*, DWORD) { return S_FALSE; }

STDMETHODIMP ContainerSite::OnFocus(BOOL focused) {
    object_has_focus_ = focused != FALSE;
    return S_OK;
}

STDMETHODIMP ContainerSite::ShowPropertyFrame() { return E_NOTIMPL; }

// ---- IDispatch: ambient properties, by number only ----

STDMETHODIMP ContainerSite::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP ContainerSite::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP ContainerSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return DISP_E_UNKNOWNNAME; }

STDMETHODIMP ContainerSite::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                   UINT*) {
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    Variant value;
    if (!AmbientValue(id, value.Out())) return DISP_E_MEMBERNOTFOUND;
    if (result) *result = value.Release();
    return S_OK;
}

// ---- IServiceProvider ----

STDMETHODIMP ContainerSite::QueryService(REFGUID service, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    return services_ ? services_->QueryService(service, iid, object) : E_NOINTERFACE;
}

}  // namespace corvela
