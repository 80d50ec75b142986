// The container's side of one embedded control: the client site, in-place
// site and frame a control asks for while it activates in place inside a
// window of the container, the ambient properties a browser gives its
// controls, and where the page that holds the control lives (its moniker and
// the services a browser offers through the site).
#pragma once

#include <ocidl.h>
#include <oleidl.h>
#include <servprov.h>

#include "framework/com_object.h"
#include "framework/com_ptr.h"

namespace corvela {

class ContainerSite final : public ComObject<ContainerSite, IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame,
                                             IDispatch, IServiceProvider> {
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
    void DropObject() { object_.Reset(); }

    IOleObject* Object() const { return object_.Get(); }
    // The object's own window while it is active in place, else null.
    HWND ObjectWindow() const;

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
    ComPtr<IMoniker> page_moniker_;
    ComPtr<IServiceProvider> services_;
};

}  // namespace corvela
