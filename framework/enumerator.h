// A COM enumerator over a snapshot of items (connections, connection points,
// verbs). `Copy` makes the caller's copy of an item (adding references or
// duplicating strings as the interface requires); `Free` releases the
// snapshot's own items.
#pragma once

#include <windows.h>

#include <vector>

#include "framework/com_object.h"
#include "framework/result.h"

namespace corvela {

template <typename Interface, typename Item, void (*Copy)(const Item&, Item*), void (*Free)(Item&)>
class SnapshotEnumerator final
    : public ComObject<SnapshotEnumerator<Interface, Item, Copy, Free>, Interface> {
public:
    explicit SnapshotEnumerator(std::vector<Item> items) : items_(std::move(items)) {}
    ~SnapshotEnumerator() {
        for (Item& item : items_) Free(item);
    }

    STDMETHODIMP Next(ULONG count, Item* out, ULONG* fetched) override {
        if (!out || (count > 1 && !fetched)) return E_POINTER;
        ULONG given = 0;
        while (given < count && position_ < items_.size()) Copy(items_[position_++], &out[given++]);
        if (fetched) *fetched = given;
        return given == count ? S_OK : S_FALSE;
    }
    STDMETHODIMP Skip(ULONG count) override {
        const size_t left = items_.size() - position_;
        position_ += count < left ? count : left;
        return count <= left ? S_OK : S_FALSE;
    }
    STDMETHODIMP Reset() override {
        position_ = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(Interface** clone) override {
        if (!clone) return E_POINTER;
        *clone = nullptr;
        return ComEntry([&] {
            // What may fail comes first, before the copies take references.
            std::vector<Item> copies(items_.size());
            auto* twin = new SnapshotEnumerator(std::vector<Item>());
            for (size_t i = 0; i < items_.size(); ++i) Copy(items_[i], &copies[i]);
            twin->items_ = std::move(copies);
            twin->position_ = position_;
            *clone = twin;
            return S_OK;
        });
    }

private:
    std::vector<Item> items_;
    size_t position_ = 0;
};

}  // namespace corvela
