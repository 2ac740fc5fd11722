#pragma once
// Threads and the window thread's services: a wait that keeps serving sent
// messages and synchronised calls, and a call run on the window thread.
#include <atomic>
#include <cstdint>
#include <functional>

// The thread that started the process (the window thread).
bool zoIsMainThread();
// Waits for a handle on any thread. On the window thread it wakes at least every
// 100 ms and serves messages sent to the thread and pending synchronised calls.
// True when the handle was signalled, false on timeout.
bool zoWaitForHandle(void* handle, uint32_t timeoutMs = 0xFFFFFFFF);
// Runs fn on the window thread while the caller waits; an exception from fn is
// raised again in the caller. On the window thread it runs at once.
void zoSynchronize(const std::function<void()>& fn);
// Runs the synchronised calls that are waiting (the window thread's message loop calls it).
void zoCheckSynchronize();

// A system thread, created suspended. Destroying it requests termination and
// waits for the end (serving the window thread's services while it waits).
class TZORThread {
public:
  TZORThread();
  TZORThread(const TZORThread&) = delete;
  TZORThread& operator=(const TZORThread&) = delete;
  virtual ~TZORThread();

  void Resume();
  // Sets the terminated flag (and resumes a suspended thread so that it can end).
  virtual void TerminateRequested();
  bool Terminated() const { return FTerminated.load(); }
  // Waits for the thread body to end.
  void WaitFor();
  void* Handle() const { return FHandle; }

protected:
  virtual void Execute() = 0;
  // Call first in the destructor of a subclass whose Execute uses its members.
  void Shutdown();

private:
  static unsigned __stdcall ThreadProc(void* self);
  void* FHandle = nullptr;
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FSuspended{true};
  bool FShutDown = false;
};
