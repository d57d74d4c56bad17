// The host's coordinator object: runs all SQL and supplies the server's values.
//
// It is called late-bound, by dispatch identifier, with positional arguments that
// the callee may write (by reference), synchronously on the caller's thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>

#include "trunaccount/variant.h"

namespace trunaccount {

// Dispatch identifiers of the coordinator's operations.
enum class CoordinatorOp : std::int32_t {
    QueryData = 0x60020000,
    ExecBatch = 2,
    GetYearMonth = 4,
    GetServerDate = 5,
    GetServerDateTime = 6,
    GetOperatorName = 10,
    GetDbType = 20,
    GetSystemParams = 100,
};

// Outcome of a call at the dispatch level (not the operation's own result).
enum class DispatchStatus : std::int32_t {
    Ok = 0,
    UnknownMember,     // no operation with this identifier
    BadArgumentCount,  // wrong number of arguments
    TypeMismatch,      // an argument of a form the operation cannot take
    Exception,         // the operation failed in a way it cannot report as a result
};

// The coordinator interface. Reference counted: a holder calls AddRef when it
// keeps the object and Release when it lets go; the object deletes itself when
// the count reaches zero.
class ICoorDisp {
public:
    virtual std::uint32_t AddRef() noexcept = 0;
    virtual std::uint32_t Release() noexcept = 0;
    // Runs the operation `dispId` with the positional arguments `args` (the callee
    // may write any of them). On DispatchStatus::Ok `result` holds the operation's
    // return value; otherwise `errorText` says what went wrong.
    virtual DispatchStatus Invoke(std::int32_t dispId, std::span<Variant> args, Variant& result,
                                  std::string& errorText) noexcept = 0;

protected:
    ~ICoorDisp() = default;
};

// A counted reference to a coordinator: copying adds a reference, assigning a new
// one releases the previous one, destruction releases the last.
class CoordinatorRef {
public:
    CoordinatorRef() = default;
    explicit CoordinatorRef(ICoorDisp* p) : p_(p) {
        if (p_) p_->AddRef();
    }
    CoordinatorRef(const CoordinatorRef& o) : CoordinatorRef(o.p_) {}
    CoordinatorRef(CoordinatorRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    CoordinatorRef& operator=(CoordinatorRef o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~CoordinatorRef() { reset(); }

    void reset() noexcept {
        if (auto* p = std::exchange(p_, nullptr)) p->Release();
    }
    // Takes over a reference the caller already holds (no AddRef).
    static CoordinatorRef adopt(ICoorDisp* p) {
        CoordinatorRef r;
        r.p_ = p;
        return r;
    }

    ICoorDisp* get() const { return p_; }
    ICoorDisp* operator->() const { return p_; }
    ICoorDisp& operator*() const { return *p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    ICoorDisp* p_ = nullptr;
};

}  // namespace trunaccount
