#include "zor/base/Threads.h"

#include <windows.h>
#include <process.h>

#include <deque>
#include <exception>
#include <mutex>

namespace {
// Set during start-up, which runs on the thread that started the process.
const DWORD gMainThreadId = GetCurrentThreadId();

struct TSyncCall {
  const std::function<void()>* Fn;
  std::exception_ptr Error;
  HANDLE Done;
};

std::mutex gSyncLock;
std::deque<TSyncCall*> gSyncQueue;
// Signalled while calls are waiting, so a waiting window thread wakes at once.
HANDLE SyncEvent() {
  static HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  return event;
}
}  // namespace

bool zoIsMainThread() { return GetCurrentThreadId() == gMainThreadId; }

void zoCheckSynchronize() {
  if (!zoIsMainThread()) return;
  for (;;) {
    TSyncCall* call;
    {
      std::lock_guard lock(gSyncLock);
      if (gSyncQueue.empty()) {
        ResetEvent(SyncEvent());
        return;
      }
      call = gSyncQueue.front();
      gSyncQueue.pop_front();
    }
    try {
      (*call->Fn)();
    } catch (...) {
      call->Error = std::current_exception();
    }
    SetEvent(call->Done);
  }
}

void zoSynchronize(const std::function<void()>& fn) {
  if (zoIsMainThread()) {
    fn();
    return;
  }
  TSyncCall call{&fn, nullptr, CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  {
    std::lock_guard lock(gSyncLock);
    gSyncQueue.push_back(&call);
    SetEvent(SyncEvent());
  }
  // Wakes a window thread that sits in its message loop.
  PostThreadMessageW(gMainThreadId, WM_NULL, 0, 0);
  WaitForSingleObject(call.Done, INFINITE);
  CloseHandle(call.Done);
  if (call.Error) std::rethrow_exception(call.Error);
}

bool zoWaitForHandle(void* handle, uint32_t timeoutMs) {
  if (!zoIsMainThread()) return WaitForSingleObject(handle, timeoutMs) == WAIT_OBJECT_0;
  const ULONGLONG start = GetTickCount64();
  HANDLE handles[2] = {handle, SyncEvent()};
  for (;;) {
    DWORD waited = static_cast<DWORD>(GetTickCount64() - start);
    if (timeoutMs != INFINITE && waited >= timeoutMs) return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
    DWORD slice = timeoutMs == INFINITE ? 100 : std::min<DWORD>(100, timeoutMs - waited);
    DWORD r = MsgWaitForMultipleObjects(2, handles, FALSE, slice, QS_SENDMESSAGE);
    if (r == WAIT_OBJECT_0) return true;
    // Serve messages sent to this thread (PeekMessage dispatches them) and synchronised calls.
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    zoCheckSynchronize();
    if (r == WAIT_FAILED) Sleep(1);
  }
}

TZORThread::TZORThread() {
  FHandle = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &TZORThread::ThreadProc, this, CREATE_SUSPENDED, nullptr));
}

TZORThread::~TZORThread() { Shutdown(); }

void TZORThread::Shutdown() {
  if (FShutDown) return;
  FShutDown = true;
  if (!FHandle) return;
  TerminateRequested();
  WaitFor();
  CloseHandle(FHandle);
  FHandle = nullptr;
}

unsigned __stdcall TZORThread::ThreadProc(void* self) {
  auto* thread = static_cast<TZORThread*>(self);
  if (!thread->FTerminated.load()) thread->Execute();
  return 0;
}

void TZORThread::Resume() {
  if (FHandle && FSuspended.exchange(false)) ResumeThread(FHandle);
}

void TZORThread::TerminateRequested() {
  if (FTerminated.exchange(true)) return;
  Resume();
}

void TZORThread::WaitFor() {
  if (FHandle) zoWaitForHandle(FHandle);
}
