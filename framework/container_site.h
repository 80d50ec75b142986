// The container's side of one embedded control: the client site, in-place
// site and frame a control asks for while it activates in place inside a
// window of the container, the ambient properties a browser gives its
// controls, where the page that holds the control lives (its moniker and
// the services a browser offers through the site), and the keyboard as a
// browser shares it with the control it made active.
#pragma once

#include <ocidl.h>
#include <oleidl.h>
#include <servprov.h>

#include "framework/com_object.h"
#include "framework/com_ptr.h"

namespace corvela {

class ContainerSite final : public ComObject<ContainerSite, IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame,
                                             IOleControlSite, IDispatch, IServiceProvider> {
public:
    // A site for an object shown at `position` in the client area of `window`.
    static ComPtr<ContainerSite> Create(HWND window, const RECT& position);

    // The page the object is part of: the moniker the site names as the
    // object's container, and where services the site does not know itself
    // are asked for. Either may be null.
    void SetPage(ComPtr<IMoniker> moniker, ComPtr<IServiceProvider> services);

    // Takes `object` into the site; an object whose miscellaneous status
    // asks for its site first is given it now, so that it knows where it is
    // hosted before anyone asks whether it is safe.
    HRESULT Attach(IUnknown* object);
    // Initialises the attached object from `properties` (or as a new object
    // when that is null); an object that did not ask for its site first is
    // given it afterwards.
    HRESULT Initialise(IPropertyBag* properties);
    HRESULT ActivateInPlace();
    // Moves the object; an active object follows at once.
    void SetPosition(const RECT& position);
    // Deactivates and closes the object and lets go of it, which also ends
    // the object's reference to this site.
    void Close();
    // Lets go of the object without closing it, as a page that drops its
    // last reference does; the object keeps this site while it lives.
    void DropObject();

    IOleObject* Object() const { return object_.Get(); }
    // The object's own window while it is active in place, else null.
    HWND ObjectWindow() const;

    // A key message the container's loop is about to dispatch, handled as a
    // browser does: offered first to the object while it is UI-active and
    // the key is for its window; a key it refuses that a page uses itself
    // is the container's (Tab takes the focus back to the container and
    // ends the object's UI activation; the arrows, Home, End, Page Up,
    // Page Down and Space would scroll the page). True when the message is
    // used and must not be dispatched.
    bool TranslateKey(MSG& message);
    // What the object last told the site: whether it is UI-active, whether
    // it has the focus.
    bool ObjectIsUIActive() const { return object_ui_active_; }
    bool ObjectHasFocus() const { return object_has_focus_; }

    // The windows the site and the frame are.
    void* OtherInterface(REFIID iid);

    // IOleClientSite
    STDMETHODIMP SaveObject() override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    STDMETHODIMP GetContainer(IOleContainer** container) override;
    STDMETHODIMP ShowObject() override;
    STDMETHODIMP OnShowWindow(BOOL show) override;
    STDMETHODIMP RequestNewObjectLayout() override;

    // IOleWindow (of the site and the frame)
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override;
    STDMETHODIMP OnInPlaceActivate() override;
    STDMETHODIMP OnUIActivate() override;
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
    STDMETHODIMP Scroll(SIZE extent) override;
    STDMETHODIMP OnUIDeactivate(BOOL undoable) override;
    STDMETHODIMP OnInPlaceDeactivate() override;
    STDMETHODIMP DiscardUndoState() override;
    STDMETHODIMP DeactivateAndUndo() override;
    STDMETHODIMP OnPosRectChange(LPCRECT position) override;

    // IOleInPlaceUIWindow, IOleInPlaceFrame
    STDMETHODIMP GetBorder(LPRECT border) override;
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS widths) override;
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) override;
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) override;
    STDMETHODIMP InsertMenus(HMENU menu, LPOLEMENUGROUPWIDTHS widths) override;
    STDMETHODIMP SetMenu(HMENU menu, HOLEMENU shared, HWND object_window) override;
    STDMETHODIMP RemoveMenus(HMENU menu) override;
    STDMETHODIMP SetStatusText(LPCOLESTR text) override;
    STDMETHODIMP EnableModeless(BOOL enable) override;
    STDMETHODIMP TranslateAccelerator(LPMSG message, WORD id) override;

    // IOleControlSite
    STDMETHODIMP OnControlInfoChanged() override;
    STDMETHODIMP LockInPlaceActive(BOOL lock) override;
    STDMETHODIMP GetExtendedControl(IDispatch** control) override;
    STDMETHODIMP TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) override;
    STDMETHODIMP TranslateAccelerator(MSG* message, DWORD modifiers) override;
    STDMETHODIMP OnFocus(BOOL focused) override;
    STDMETHODIMP ShowPropertyFrame() override;

    // IDispatch: the ambient properties
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argument_error) override;

    // IServiceProvider
    STDMETHODIMP QueryService(REFGUID service, REFIID iid, void** object) override;

private:
    ContainerSite(HWND window, const RECT& position) : window_(window), position_(position) {}
    HRESULT Load(IPropertyBag* properties);

    HWND window_;
    RECT position_;
    bool site_given_ = false;
    ComPtr<IOleObject> object_;
    ComPtr<IOleInPlaceActiveObject> active_object_;
    bool object_ui_active_ = false;
    bool object_has_focus_ = false;
    ComPtr<IMoniker> page_moniker_;
    ComPtr<IServiceProvider> services_;
};

}  // namespace corvela
