// One run at a time: the Installer's run, and the remover's, hold a named mutex
// while they install or remove. Two at once would interleave their copies,
// deletions and records (a removal during an installation's retry prompt left a
// recorded installation without its program).
#ifndef MARVANE_RUNLOCK_H
#define MARVANE_RUNLOCK_H

// Takes the lock; false when another run holds it. A lock left by a run that was
// killed is taken over.
bool AcquireRunLock();

// Gives it back (nothing when it is not held).
void ReleaseRunLock();

#endif
