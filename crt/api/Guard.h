#pragma once
// Every C entry point runs its body through guarded(): whatever the codec
// throws (a message, an encoder error, an allocation failure) becomes a status
// and a message for crt_last_error, so nothing escapes to a C caller.
#include <new>
#include <stdexcept>

#include "crt/encode/EncodeError.h"
#include "crt/include/crt.h"

namespace crt::api {

// Records the message crt_last_error gives on this thread: detail, or the
// status's own message when detail is null. Returns status.
crt_status fail(crt_status status, const char* detail = nullptr) noexcept;
// The status of a message the decoder throws.
crt_status statusOfMessage(const char* message) noexcept;
// Forgets the last failure: a call that succeeds leaves "".
void clearLastError() noexcept;
const char* lastErrorText() noexcept;

template <class Body>
crt_status guarded(Body&& body) noexcept
{
    clearLastError();
    try {
        return body();
    } catch (const char* message) {
        return fail(statusOfMessage(message), message);
    } catch (const EncodeError& e) {
        return fail(CRT_ENCODE_FAILED, e.what());
    } catch (const std::bad_alloc&) {
        return fail(CRT_OUT_OF_MEMORY);
    } catch (const std::length_error&) {  // a size beyond what a container can hold
        return fail(CRT_OUT_OF_MEMORY);
    } catch (const std::exception& e) {
        return fail(CRT_INTERNAL, e.what());
    } catch (...) {
        return fail(CRT_INTERNAL);
    }
}

}  // namespace crt::api
