#pragma once

#include "platform/unique_handle.h"

#include <windows.h>

#include <atomic>

namespace win32 {

// How long a stopped worker may take to end before it is abandoned.
inline constexpr DWORD AbandonGraceMs = 2000;

// A blocking call made on a worker thread of its own, which the thread that
// started it may give up on. The block is shared by both and
// reference-counted: each holds a reference, and the last to let go frees it,
// so a worker that is abandoned may return minutes later and still touch
// nothing but this block. The worker gets its inputs by value, owns every
// handle it opens and closes them itself; nobody else touches them. The
// caller reads what the worker made only once its thread has ended; of an
// abandoned worker it reads nothing.
class WorkerCall {
public:
    WorkerCall(const WorkerCall&) = delete;
    WorkerCall& operator=(const WorkerCall&) = delete;

    // Runs Work() on a new thread, which holds a reference of its own until
    // it ends; false when no thread can be had.
    [[nodiscard]] bool Start();
    // Signalled once Work() has returned, its handles closed and its outcome
    // in place; the thread may still be on its way out.
    [[nodiscard]] HANDLE Done() const { return done_.Get(); }
    // Asks the worker to end. It looks at the mark after each of its calls,
    // so a call that blocks ends first: a silent server's at its receive
    // time-out, a hanging connect only at the system's own limit.
    void Stop() { stopped_.store(true); }
    // After Stop: waits up to AbandonGraceMs for the worker, dispatching the
    // calling thread's messages meanwhile (WaitDispatchingMessages); false,
    // with the worker abandoned, when it has not ended by then.
    [[nodiscard]] bool EndsWithinGrace();
    // Gives the worker up where it stands: it may still be running.
    void Abandon();
    // Lets go of the caller's reference.
    void Release();

protected:
    WorkerCall() = default;
    virtual ~WorkerCall() = default;

    // The call itself, run on the worker's thread.
    virtual void Work() = 0;
    [[nodiscard]] bool Stopped() const { return stopped_.load(); }

private:
    static DWORD WINAPI ThreadMain(void* parameter);

    std::atomic<long> references_{1};
    std::atomic<bool> stopped_{false};
    UniqueHandle done_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

// Whether this process has abandoned a worker that was still running. Such a
// thread may hold locks inside the system's libraries, so the process must
// not end by the ordinary exit, which runs their detach code.
[[nodiscard]] bool AbandonedACall();

} // namespace win32
