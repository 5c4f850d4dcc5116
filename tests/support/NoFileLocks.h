#pragma once
// Makes the calling process meet a file system without locks: from then on every
// flock fails with ENOLCK, as it does on a network share that has no lock service.
// Call it in a child process only; false where it cannot be done (see RefusedCalls.h).

#include "support/RefusedCalls.h"

namespace velmora::test {

inline bool RefuseFileLocks() { return RefuseCalls({{SYS_flock, ENOLCK}}); }

}  // namespace velmora::test
