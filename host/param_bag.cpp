#include "host/param_bag.h"

#include "common/wide.h"
#include "framework/com_object.h"
#include "framework/handles.h"

namespace corvela {
namespace {

// Names are matched without regard to case, as the markup writes them as
// it likes; values are texts, changed to the type the object asks for.
class ParamBag final : public ComObject<ParamBag, IPropertyBag> {
public:
    explicit ParamBag(std::vector<PageParam> params) : params_(std::move(params)) {}

    STDMETHODIMP Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
        if (!name || !value) return E_POINTER;
        const PageParam* param = Find(FromW(name));
        if (!param) return E_INVALIDARG;
        const VARTYPE wanted = V_VT(value);
        Variant text = Variant::OfBstr(Bstr(ToBstr(param->value)));
        if (wanted == VT_EMPTY || wanted == VT_BSTR) {
            *value = text.Release();
            return S_OK;
        }
        return VariantChangeType(value, &text.Get(), 0, wanted);
    }

    STDMETHODIMP Write(LPCOLESTR, VARIANT*) override { return E_NOTIMPL; }

private:
    const PageParam* Find(const Text& name) const {
        for (const PageParam& param : params_)
            if (EqualsIgnoreAsciiCase(param.name, name)) return &param;
        return nullptr;
    }

    std::vector<PageParam> params_;
};

}  // namespace

ComPtr<IPropertyBag> NewParamBag(const std::vector<PageParam>& params) {
    return ComPtr<IPropertyBag>(new ParamBag(params));
}

}  // namespace corvela
