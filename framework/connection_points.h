// The outgoing event interface of a control: sinks connect through
// IConnectionPoint, and every event is delivered synchronously to each
// connected sink in turn before Fire returns.
#pragma once

#include <ocidl.h>

#include <vector>

#include "common/text.h"
#include "framework/com_ptr.h"

namespace corvela {

class EventConnectionPoint final : public IConnectionPoint {
public:
    // `container` owns this point: references go to it.
    EventConnectionPoint(IConnectionPointContainer* container, REFIID events);
    ~EventConnectionPoint();

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return container_->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return container_->Release(); }

    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** connections) override;

    const IID& Events() const { return events_; }
    // Calls the event on every sink connected at the moment of the call;
    // arguments are texts, in the event's parameter order.
    void Fire(DISPID id, const TextList& arguments);
    void DisconnectAll();

private:
    struct Sink {
        DWORD cookie;
        ComPtr<IDispatch> dispatch;
    };

    IConnectionPointContainer* container_;
    IID events_;
    std::vector<Sink> sinks_;
    DWORD next_cookie_ = 1;
};

// Enumerates a container's connection points.
HRESULT EnumerateConnectionPoints(const std::vector<IConnectionPoint*>& points, IEnumConnectionPoints** out);

}  // namespace corvela
