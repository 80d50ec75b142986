#include "framework/connection_points.h"

#include <olectl.h>

#include "common/wide.h"
#include "framework/enumerator.h"
#include "framework/handles.h"
#include "framework/result.h"

namespace corvela {
namespace {

void CopyConnection(const CONNECTDATA& from, CONNECTDATA* to) {
    *to = from;
    if (to->pUnk) to->pUnk->AddRef();
}
void FreeConnection(CONNECTDATA& item) {
    if (item.pUnk) item.pUnk->Release();
}
using ConnectionEnumerator =
    SnapshotEnumerator<IEnumConnections, CONNECTDATA, CopyConnection, FreeConnection>;

void CopyPoint(IConnectionPoint* const& from, IConnectionPoint** to) {
    *to = from;
    from->AddRef();
}
void FreePoint(IConnectionPoint*& item) { item->Release(); }
using PointEnumerator =
    SnapshotEnumerator<IEnumConnectionPoints, IConnectionPoint*, CopyPoint, FreePoint>;

}  // namespace

EventConnectionPoint::EventConnectionPoint(IConnectionPointContainer* container, REFIID events)
    : container_(container), events_(events) {}

EventConnectionPoint::~EventConnectionPoint() = default;

STDMETHODIMP EventConnectionPoint::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
        *object = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP EventConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = events_;
    return S_OK;
}

STDMETHODIMP EventConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container) return E_POINTER;
    *container = container_;
    container_->AddRef();
    return S_OK;
}

STDMETHODIMP EventConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    ComPtr<IDispatch> dispatch;
    // A sink may answer the event interface itself or only IDispatch.
    if (FAILED(sink->QueryInterface(events_, dispatch.OutVoid())) &&
        FAILED(sink->QueryInterface(IID_IDispatch, dispatch.OutVoid())))
        return CONNECT_E_CANNOTCONNECT;
    return ComEntry([&] {
        sinks_.push_back({next_cookie_, std::move(dispatch)});
        *cookie = next_cookie_++;
        return S_OK;
    });
}

STDMETHODIMP EventConnectionPoint::Unadvise(DWORD cookie) {
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
        if (it->cookie != cookie) continue;
        sinks_.erase(it);
        return S_OK;
    }
    return CONNECT_E_NOCONNECTION;
}

STDMETHODIMP EventConnectionPoint::EnumConnections(IEnumConnections** connections) {
    if (!connections) return E_POINTER;
    *connections = nullptr;
    return ComEntry([&] {
        std::vector<CONNECTDATA> snapshot;
        snapshot.reserve(sinks_.size());
        for (const Sink& sink : sinks_) {
            CONNECTDATA data = {sink.dispatch.Get(), sink.cookie};
            data.pUnk->AddRef();
            snapshot.push_back(data);
        }
        *connections = new ConnectionEnumerator(std::move(snapshot));
        return S_OK;
    });
}

void EventConnectionPoint::Fire(DISPID id, const TextList& arguments) {
    // Sinks may connect or disconnect from inside a handler: deliver to the
    // sinks connected now, each kept alive for its call.
    std::vector<ComPtr<IDispatch>> receivers;
    for (const Sink& sink : sinks_) receivers.push_back(sink.dispatch);

    std::vector<Variant> values(arguments.size());
    size_t slot = arguments.size();
    for (const Text& argument : arguments)
        values[--slot] = Variant::OfBstr(Bstr(ToBstr(argument)));  // dispatch arguments travel last to first
    static_assert(sizeof(Variant) == sizeof(VARIANT), "a Variant is laid out as the VARIANT it owns");
    DISPPARAMS params = {reinterpret_cast<VARIANT*>(values.data()), nullptr, static_cast<UINT>(values.size()), 0};
    for (const ComPtr<IDispatch>& receiver : receivers) {
        Variant ignored;
        receiver->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, ignored.Out(), nullptr, nullptr);
    }
}

void EventConnectionPoint::DisconnectAll() { sinks_.clear(); }

HRESULT EnumerateConnectionPoints(const std::vector<IConnectionPoint*>& points, IEnumConnectionPoints** out) {
    if (!out) return E_POINTER;
    for (IConnectionPoint* point : points) point->AddRef();
    *out = new PointEnumerator(points);
    return S_OK;
}

}  // namespace corvela
