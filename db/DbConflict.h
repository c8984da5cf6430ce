#pragma once

class DbError;

// Conflicts between transactions of several workstations, shared by every operation
// that retries its transaction (the bill counter, the promotion item store).

// A lock conflict, an update conflict or a deadlock: another transaction held or had
// just changed a row this one needed. The same work, run again in a new transaction
// once the other has ended, can succeed.
bool isLockConflict(const DbError &e);

// Waits a random time before attempt + 1 of a transaction that met a conflict, up to
// about a millisecond times the attempt number (at most 20 ms), so that the
// workstations that collided do not collide again at once.
void conflictBackOff(int attempt);
