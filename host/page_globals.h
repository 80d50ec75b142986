// The page's `window` and `document` as script sees them: alert,
// setTimeout, clearTimeout, close and document on the window;
// getElementById and title on the document. Every other name is unknown to
// them, so script that uses one gets an ordinary script error.
#pragma once

#include <oaidl.h>

#include <cstdint>

#include "common/text.h"
#include "framework/com_ptr.h"

namespace corvela {

// What the two objects do, supplied by the page host.
class PageGlobals {
public:
    virtual void Alert(const Text& message) = 0;
    // `code` is a function or a text of script; the result names the timeout.
    virtual int32_t SetTimeout(const VARIANT& code, int32_t milliseconds) = 0;
    virtual void ClearTimeout(int32_t id) = 0;
    virtual void CloseWindow() = 0;
    // The object element of that id, or null.
    virtual ComPtr<IDispatch> ElementById(const Text& id) = 0;
    virtual Text Title() = 0;
    virtual void SetTitle(const Text& title) = 0;

protected:
    ~PageGlobals() = default;
};

// Both keep a reference to `page`, which must outlive every script.
ComPtr<IDispatch> NewDocumentObject(PageGlobals& page);
ComPtr<IDispatch> NewWindowObject(PageGlobals& page, ComPtr<IDispatch> document);

}  // namespace corvela
