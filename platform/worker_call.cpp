#include "worker_call.h"

#include "platform/message_wait.h"
#include "platform/tick_count.h"

namespace win32 {

namespace {

std::atomic<bool> abandoned{false};

} // namespace

bool WorkerCall::Start()
{
    if (!done_.IsValid()) {
        return false;
    }
    references_.fetch_add(1);
    // Closing the thread's handle leaves the thread running.
    const UniqueHandle thread(CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr));
    if (!thread.IsValid()) {
        references_.fetch_sub(1);
        return false;
    }
    return true;
}

DWORD WINAPI WorkerCall::ThreadMain(void* parameter)
{
    auto* call = static_cast<WorkerCall*>(parameter);
    call->Work();
    SetEvent(call->done_.Get());
    call->Release();
    return 0;
}

bool WorkerCall::EndsWithinGrace()
{
    const DWORD start = GetTickCount();
    bool ended = WaitDispatchingMessages(Done(), nullptr, AbandonGraceMs) == WaitEnd::Done;
    if (!ended) {
        // WM_QUIT ends the dispatching wait early; the rest is waited out plainly.
        ended = WaitForSingleObject(Done(), RemainingMs(start, AbandonGraceMs)) == WAIT_OBJECT_0;
    }
    if (!ended) {
        Abandon();
    }
    return ended;
}

void WorkerCall::Abandon()
{
    abandoned.store(true);
}

void WorkerCall::Release()
{
    if (references_.fetch_sub(1) == 1) {
        delete this;
    }
}

bool AbandonedACall()
{
    return abandoned.load();
}

} // namespace win32
