// A dispatch table: maps member names and numbers to handlers, converts the
// caller's arguments to the types the handlers declare, and refuses the
// wrong kind of property access with the scripting errors
// 0x800A017F (set not supported) and 0x800A018A (get not supported).
//
// Handlers are ordinary member functions; their C++ signatures declare the
// argument and result types:
//   Text, int32_t, int16_t, bool  as arguments (BSTR, I4, I2, BOOL)
//   VARIANT                       as an argument taken as the caller gave it
//   void, Text, int32_t           as results
//   ComPtr<IDispatch>             as a result (an object, or script's null)
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <cstdint>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "common/text.h"
#include "framework/com_ptr.h"
#include "framework/handles.h"

namespace corvela {

// The converted arguments of one call and the place for its result.
class DispCall {
public:
    DispCall(std::vector<Variant>& arguments, VARIANT* result) : arguments_(arguments), result_(result) {}

    Text TextArg(size_t index) const;
    int32_t IntArg(size_t index) const { return V_I4(&arguments_[index].Get()); }
    int16_t ShortArg(size_t index) const { return V_I2(&arguments_[index].Get()); }
    // The scripting truth value: 0 false, any other value true.
    bool BoolArg(size_t index) const { return V_BOOL(&arguments_[index].Get()) != VARIANT_FALSE; }
    // Valid for the call only: the table owns the copy.
    const VARIANT& VariantArg(size_t index) const { return arguments_[index].Get(); }

    void Return(const Text& value);
    void Return(int32_t value);
    void Return(const ComPtr<IDispatch>& value);

private:
    std::vector<Variant>& arguments_;
    VARIANT* result_;
};

namespace dispatch_detail {

template <typename T> struct ArgType;
template <> struct ArgType<Text> {
    static constexpr VARTYPE kType = VT_BSTR;
    static Text Read(const DispCall& call, size_t i) { return call.TextArg(i); }
};
template <> struct ArgType<int32_t> {
    static constexpr VARTYPE kType = VT_I4;
    static int32_t Read(const DispCall& call, size_t i) { return call.IntArg(i); }
};
template <> struct ArgType<int16_t> {
    static constexpr VARTYPE kType = VT_I2;
    static int16_t Read(const DispCall& call, size_t i) { return call.ShortArg(i); }
};
template <> struct ArgType<bool> {
    static constexpr VARTYPE kType = VT_BOOL;
    static bool Read(const DispCall& call, size_t i) { return call.BoolArg(i); }
};

template <> struct ArgType<VARIANT> {
    static constexpr VARTYPE kType = VT_VARIANT;
    static VARIANT Read(const DispCall& call, size_t i) { return call.VariantArg(i); }
};

template <typename Method> struct MethodTraits;
template <typename Class, typename Result, typename... Args>
struct MethodTraits<Result (Class::*)(Args...)> {
    using Object = Class;
    using Return = Result;
    using Arguments = std::tuple<std::decay_t<Args>...>;
};

template <auto Method, size_t... I>
HRESULT CallWith(void* object, DispCall& call, std::index_sequence<I...>) {
    using Traits = MethodTraits<decltype(Method)>;
    auto* self = static_cast<typename Traits::Object*>(object);
    if constexpr (std::is_void_v<typename Traits::Return>) {
        (self->*Method)(ArgType<std::tuple_element_t<I, typename Traits::Arguments>>::Read(call, I)...);
    } else {
        call.Return((self->*Method)(
            ArgType<std::tuple_element_t<I, typename Traits::Arguments>>::Read(call, I)...));
    }
    return S_OK;
}

}  // namespace dispatch_detail

struct DispHandler {
    HRESULT (*call)(void* object, DispCall& call) = nullptr;
    std::vector<VARTYPE> parameters;
    explicit operator bool() const { return call != nullptr; }
};

// A handler bound to a member function of the object the table serves.
template <auto Method>
DispHandler Bind() {
    using Traits = dispatch_detail::MethodTraits<decltype(Method)>;
    constexpr size_t count = std::tuple_size_v<typename Traits::Arguments>;
    DispHandler handler;
    handler.call = [](void* object, DispCall& call) {
        return dispatch_detail::CallWith<Method>(object, call, std::make_index_sequence<count>());
    };
    handler.parameters = [] {
        return std::apply(
            [](auto... argument) {
                return std::vector<VARTYPE>{dispatch_detail::ArgType<decltype(argument)>::kType...};
            },
            typename Traits::Arguments());
    }();
    return handler;
}

enum class DispKind {
    Method,
    Property,           // get and put; a missing handler refuses that access
    IndexedProperty,    // read with an index or key; never written
};

struct DispMember {
    DISPID id;
    const wchar_t* name;
    DispKind kind;
    std::vector<const wchar_t*> parameter_names;
    DispHandler get;  // the method, or the property's get
    DispHandler put;  // the property's put
};

class DispatchTable {
public:
    explicit DispatchTable(std::vector<DispMember> members) : members_(std::move(members)) {}

    const DispMember* Find(DISPID id) const;
    const DispMember* Find(const wchar_t* name) const;
    size_t size() const { return members_.size(); }
    const std::vector<DispMember>& members() const { return members_; }

    // Names are matched without regard to case, as scripting languages
    // expect; names after the first are the member's parameter names.
    HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids) const;
    HRESULT Invoke(void* object, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* exception, UINT* argument_error) const;

private:
    std::vector<DispMember> members_;
};

// Fills the exception record for a scripting error and returns the result a
// dispatch call reports for it.
HRESULT ScriptingError(uint32_t code, const Text& description, EXCEPINFO* exception);

}  // namespace corvela
