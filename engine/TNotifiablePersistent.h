// Base classes of objects that announce their changes: an update count that
// holds notifications back, and a re-entrant lock for readers.
#pragma once

#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>

// A broken internal rule, such as an EndUpdate without its BeginUpdate.
class EAssertionFailed : public std::runtime_error {
public:
    explicit EAssertionFailed(const std::string& Message) : std::runtime_error(Message) {}
};

class TNotifiablePersistent;
using TNotifyEvent = std::function<void(TNotifiablePersistent* Sender)>;

class TNotifiablePersistent {
public:
    TNotifiablePersistent() = default;
    TNotifiablePersistent(const TNotifiablePersistent&) = delete;
    TNotifiablePersistent& operator=(const TNotifiablePersistent&) = delete;
    virtual ~TNotifiablePersistent() = default;

    // Fires OnChange while the update count is 0.
    virtual void Changed();
    virtual void BeginUpdate();
    // Lowers the update count without notifying. With the count already 0 it
    // raises EAssertionFailed "Unpaired TThreadPersistent.EndUpdate" and the
    // count stays 0.
    virtual void EndUpdate();

    int UpdateCount() const { return FUpdateCount; }

    TNotifyEvent OnChange;

protected:
    int FUpdateCount = 0;
};

class TThreadPersistent : public TNotifiablePersistent {
public:
    // Re-entrant: the thread that holds the lock may take it again.
    void EnterLock();
    void LeaveLock();
    int LockCount() const { return FLockCount; }

private:
    std::recursive_mutex FLock;
    int FLockCount = 0;
};

// Holds a store's lock for the lifetime of the guard.
class TLockGuard {
public:
    explicit TLockGuard(TThreadPersistent& Object) : FObject(Object) { FObject.EnterLock(); }
    ~TLockGuard() { FObject.LeaveLock(); }
    TLockGuard(const TLockGuard&) = delete;
    TLockGuard& operator=(const TLockGuard&) = delete;

private:
    TThreadPersistent& FObject;
};
