#pragma once

#include <string>

namespace tamarack {

// Output files are written under a hidden temporary name in the folder of
// their final name: ".tamarack-<process>-<count>.tmp". The name says whose
// file it is, and its length does not depend on the final name's. While its
// process lives, the file is held by an exclusive lock (flock) on it, which
// the kernel drops when the process ends, however it ends: a later run can
// then tell a temporary left by a process that no longer exists, even one
// of another PID namespace sharing the folder.

// The path of this process's next temporary in the folder.
std::string NextTemporaryPath(const std::string& folder);

// Whether the name (without folder) has exactly the form of a temporary,
// and if so the process that made it.
bool IsTemporaryName(const std::string& name, long long& process);

// Takes the owner's lock on a new temporary's descriptor; false when
// another holds it. Where the file system has no locks, there is none to
// take (and no other run removes the file, lacking the lock as well).
bool LockTemporary(int fd);

// Removes the temporaries of the folder that no live process owns: the
// process in the name no longer exists and no one holds the lock. Nothing
// else is touched, and failures are ignored: this only tidies up.
void RemoveStaleTemporaries(const std::string& folder);

}  // namespace tamarack
