#include "engine/TNotifiablePersistent.h"

void TNotifiablePersistent::Changed() {
    if (FUpdateCount == 0 && OnChange)
        OnChange(this);
}

void TNotifiablePersistent::BeginUpdate() {
    ++FUpdateCount;
}

void TNotifiablePersistent::EndUpdate() {
    if (FUpdateCount <= 0)
        throw EAssertionFailed("Unpaired TThreadPersistent.EndUpdate");
    --FUpdateCount;
}

void TThreadPersistent::EnterLock() {
    FLock.lock();
    ++FLockCount;
}

void TThreadPersistent::LeaveLock() {
    --FLockCount;
    FLock.unlock();
}
