#include "host/page_globals.h"

#include "framework/com_object.h"
#include "framework/dispatch.h"
#include "framework/result.h"

namespace corvela {
namespace {

// An object of the page whose members a dispatch table describes.
template <typename Derived>
class ScriptObject : public DispatchObject<Derived> {
public:
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        return Derived::Table().GetIDsOfNames(names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argument_error) override {
        ComPtr<IDispatch> keep_alive = ComPtr<IDispatch>::Share(this);
        return ComEntry([&] {
            return Derived::Table().Invoke(static_cast<Derived*>(this), id, flags, params, result, exception,
                                           argument_error);
        });
    }
};

class DocumentObject final : public ScriptObject<DocumentObject> {
public:
    explicit DocumentObject(PageGlobals& page) : page_(page) {}

    static const DispatchTable& Table() {
        using D = DocumentObject;
        static const DispatchTable table({
            {1, L"getElementById", DispKind::Method, {L"id"}, Bind<&D::GetElementById>(), {}},
            {2, L"title", DispKind::Property, {}, Bind<&D::GetTitle>(), Bind<&D::PutTitle>()},
        });
        return table;
    }

    ComPtr<IDispatch> GetElementById(Text id) { return page_.ElementById(id); }
    Text GetTitle() { return page_.Title(); }
    void PutTitle(Text title) { page_.SetTitle(title); }

private:
    PageGlobals& page_;
};

class WindowObject final : public ScriptObject<WindowObject> {
public:
    WindowObject(PageGlobals& page, ComPtr<IDispatch> document) : page_(page), document_(std::move(document)) {}

    static const DispatchTable& Table() {
        using W = WindowObject;
        static const DispatchTable table({
            {1, L"alert", DispKind::Method, {L"message"}, Bind<&W::Alert>(), {}},
            {2, L"setTimeout", DispKind::Method, {L"code", L"milliseconds"}, Bind<&W::SetTimeout>(), {}},
            {3, L"clearTimeout", DispKind::Method, {L"id"}, Bind<&W::ClearTimeout>(), {}},
            {4, L"close", DispKind::Method, {}, Bind<&W::Close>(), {}},
            {5, L"document", DispKind::Property, {}, Bind<&W::GetDocument>(), {}},
        });
        return table;
    }

    void Alert(Text message) { page_.Alert(message); }
    int32_t SetTimeout(VARIANT code, int32_t milliseconds) { return page_.SetTimeout(code, milliseconds); }
    void ClearTimeout(int32_t id) { page_.ClearTimeout(id); }
    void Close() { page_.CloseWindow(); }
    ComPtr<IDispatch> GetDocument() { return document_; }

private:
    PageGlobals& page_;
    ComPtr<IDispatch> document_;
};

}  // namespace

ComPtr<IDispatch> NewDocumentObject(PageGlobals& page) { return ComPtr<IDispatch>(new DocumentObject(page)); }

ComPtr<IDispatch> NewWindowObject(PageGlobals& page, ComPtr<IDispatch> document) {
    return ComPtr<IDispatch>(new WindowObject(page, std::move(document)));
}

}  // namespace corvela
