// Base of a windowed ActiveX control: the OLE interfaces a container asks
// of a control for in-place activation, drawing, persistence and class
// information, dispatch through a DispatchTable, and one outgoing event
// interface. The control's own behaviour lives in the derived class, which
// answers its window's messages through its message map (see WindowBase).
// Every COM entry that may allocate ends in ComEntry: an exception becomes
// the HRESULT the container receives.
#pragma once

#include <ocidl.h>
#include <objsafe.h>
#include <oleidl.h>
#include <olectl.h>

#include <deque>
#include <initializer_list>

#include "common/text.h"
#include "framework/com_object.h"
#include "framework/com_ptr.h"
#include "framework/connection_points.h"
#include "framework/dispatch.h"
#include "framework/module.h"
#include "framework/window.h"

namespace corvela {

struct OleControlClass {
    const CLSID* clsid;
    const IID* dispatch;        // the default dispatch interface
    const IID* events;          // the default source interface
    const GUID* library;        // type library describing both
    WORD library_major;
    WORD library_minor;
    const CLSID* property_page;
    DWORD misc_status;
    UINT type_name_id;          // string resource naming the class
    const DispatchTable* table;
};

class OleControl : public ComObject<OleControl, IDispatch, IOleObject, IOleInPlaceObject, IOleInPlaceActiveObject,
                                    IOleControl, IViewObject2, IPersistStreamInit, IPersistPropertyBag,
                                    IProvideClassInfo2, IConnectionPointContainer, ISpecifyPropertyPages,
                                    IObjectSafety>,
                   public WindowBase {
public:
    explicit OleControl(const OleControlClass& info);
    ~OleControl() override;

    // The control's default dispatch interface and the bases of the listed
    // interfaces (IOleWindow, IViewObject, IPersist, IProvideClassInfo).
    void* OtherInterface(REFIID iid);

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argument_error) override;

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override;
    STDMETHODIMP GetClientSite(IOleClientSite** site) override;
    STDMETHODIMP SetHostNames(LPCOLESTR application, LPCOLESTR document) override;
    STDMETHODIMP Close(DWORD save_option) override;
    STDMETHODIMP SetMoniker(DWORD which, IMoniker* moniker) override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
    STDMETHODIMP InitFromData(IDataObject* data, BOOL creation, DWORD reserved) override;
    STDMETHODIMP GetClipboardData(DWORD reserved, IDataObject** data) override;
    STDMETHODIMP DoVerb(LONG verb, LPMSG message, IOleClientSite* site, LONG index, HWND parent,
                        LPCRECT position) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) override;
    STDMETHODIMP Update() override;
    STDMETHODIMP IsUpToDate() override;
    STDMETHODIMP GetUserClassID(CLSID* clsid) override;
    STDMETHODIMP GetUserType(DWORD form, LPOLESTR* type) override;
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP Advise(IAdviseSink* sink, DWORD* connection) override;
    STDMETHODIMP Unadvise(DWORD connection) override;
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** advise) override;
    STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
    STDMETHODIMP SetColorScheme(LOGPALETTE* palette) override;

    // IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;
    STDMETHODIMP InPlaceDeactivate() override;
    STDMETHODIMP UIDeactivate() override;
    STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT clip) override;
    STDMETHODIMP ReactivateAndUndo() override;
    STDMETHODIMP TranslateAccelerator(LPMSG message) override;
    STDMETHODIMP OnFrameWindowActivate(BOOL activate) override;
    STDMETHODIMP OnDocWindowActivate(BOOL activate) override;
    STDMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frame) override;
    STDMETHODIMP EnableModeless(BOOL enable) override;

    // IOleControl
    STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
    STDMETHODIMP OnMnemonic(MSG* message) override;
    STDMETHODIMP OnAmbientPropertyChange(DISPID id) override;
    STDMETHODIMP FreezeEvents(BOOL freeze) override;

    // IViewObject2
    STDMETHODIMP Draw(DWORD aspect, LONG index, void* aspect_info, DVTARGETDEVICE* device, HDC target_dc,
                      HDC dc, LPCRECTL bounds, LPCRECTL window_bounds,
                      BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR), ULONG_PTR cont_argument) override;
    STDMETHODIMP GetColorSet(DWORD aspect, LONG index, void* aspect_info, DVTARGETDEVICE* device,
                             HDC target_dc, LOGPALETTE** colors) override;
    STDMETHODIMP Freeze(DWORD aspect, LONG index, void* aspect_info, DWORD* freeze) override;
    STDMETHODIMP Unfreeze(DWORD freeze) override;
    STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
    STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
    STDMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, LPSIZEL size) override;

    // IPersist, IPersistStreamInit, IPersistPropertyBag
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(LPSTREAM stream) override;
    STDMETHODIMP Save(LPSTREAM stream, BOOL clear_dirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
    STDMETHODIMP InitNew() override;
    STDMETHODIMP Load(IPropertyBag* bag, IErrorLog* log) override;
    STDMETHODIMP Save(IPropertyBag* bag, BOOL clear_dirty, BOOL save_all) override;

    // IProvideClassInfo2
    STDMETHODIMP GetClassInfo(ITypeInfo** info) override;
    STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

    // ISpecifyPropertyPages
    STDMETHODIMP GetPages(CAUUID* pages) override;

    // IObjectSafety: safe for untrusted callers (IDispatch) and untrusted
    // data (persistence), as the registered categories say, wherever
    // MayBeMadeSafe agrees.
    STDMETHODIMP GetInterfaceSafetyOptions(REFIID iid, DWORD* supported, DWORD* enabled) override;
    STDMETHODIMP SetInterfaceSafetyOptions(REFIID iid, DWORD mask, DWORD enabled) override;

    HWND Window() const { return Handle(); }

protected:
    // The control window's message map; the base answers none.
    bool OnMessage(const WindowMessage&, LRESULT*) override { return false; }
    bool HoldForMessage() override { return AddRefUnlessDestroyed(); }
    void LetGoAfterMessage() override { Release(); }

    // Whether the control may be made safe for untrusted callers and data
    // where it is hosted now. A control that is safe everywhere keeps this.
    virtual bool MayBeMadeSafe() { return true; }
    IOleClientSite* ClientSite() const { return site_.Get(); }

    // The control's window, or a window in it, gained or lost the keyboard
    // focus. Gaining it makes an in-place active control UI-active, as a
    // click on a control in a page does; the site hears of both where it
    // listens (IOleControlSite::OnFocus).
    void OnFocusChanged(bool gained);
    // A key the container offers before it uses the key itself
    // (IOleInPlaceActiveObject::TranslateAccelerator); true when the
    // control took it. The default takes none.
    virtual bool TakeKey(MSG& message) { return false; }

    // Delivers an event synchronously to every connected sink. While the
    // container has events frozen (IOleControl::FreezeEvents), the event is
    // held and delivered, in the order fired, once they are thawed.
    void FireEvent(DISPID id, std::initializer_list<Text> arguments = {});
    void SetModified() { modified_ = true; }
    void InvalidateControl();

    // Holds a reference for as long as a call that may fire an event is
    // being handled. A page may let go of its last reference inside an event
    // handler; the object then goes when the code that fired the event is
    // done with it, never while that code still runs. Holds nothing while
    // the object is being destroyed. Window messages hold one the same way.
    class KeepAlive {
    public:
        explicit KeepAlive(OleControl* control);
        ~KeepAlive();
        KeepAlive(const KeepAlive&) = delete;
        KeepAlive& operator=(const KeepAlive&) = delete;

    private:
        OleControl* held_;
    };

private:
    struct HeldEvent {
        DISPID id;
        TextList arguments;
    };

    void DeliverHeldEvents();
    HRESULT InPlaceActivate(LONG verb);
    HRESULT UIActivate();
    HRESULT CreateControlWindow(HWND parent, const RECT& position);
    HRESULT ShowPropertyPages(HWND parent);
    ComPtr<ITypeLib> LoadTypeLibrary(LCID locale) const;
    bool HasSafetyOptions(REFIID iid) const;

    const OleControlClass& info_;
    ModuleUse module_use_;
    ComPtr<IOleClientSite> site_;
    ComPtr<IOleInPlaceSite> in_place_site_;
    ComPtr<IOleInPlaceFrame> frame_;
    ComPtr<IOleInPlaceUIWindow> document_;
    ComPtr<IOleAdviseHolder> advise_holder_;
    ComPtr<IAdviseSink> view_sink_;
    DWORD view_aspects_ = 0;
    DWORD view_flags_ = 0;
    EventConnectionPoint events_;
    bool in_place_active_ = false;
    bool ui_active_ = false;
    bool modified_ = false;
    SIZEL extent_;  // HIMETRIC
    int frozen_events_ = 0;
    std::deque<HeldEvent> held_events_;
    DWORD safety_options_ = 0;
};

}  // namespace corvela
