// The one boundary between the package's code and whoever calls it (the IDE,
// an installer, the window system): every COM method, export, dialog or window
// procedure, page callback and hook is a function-try-block that ends in one
// of these, so that no exception crosses into the caller. Below it nothing is
// caught but to undo what was begun. The code throws nothing of its own: what
// arrives here is memory that could not be had.
#pragma once

#include <windows.h>

#include <new>

namespace qz::platform {

// The result code for the exception being handled.
inline HRESULT CaughtResult() noexcept {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace qz::platform

// Ends a function-try-block that answers an HRESULT.
#define QZ_CATCH_RETURN()                      \
    catch (...) {                              \
        return ::qz::platform::CaughtResult(); \
    }

// Ends a function-try-block that answers `value` when anything was thrown.
#define QZ_CATCH_RETURN_VALUE(value) \
    catch (...) {                    \
        return (value);              \
    }
