#pragma once
// Gives memory the program has freed back to the system. The C library keeps freed blocks for
// reuse, per thread that allocated them; after a large result was fetched on a worker thread and
// its driver buffers were freed, the process would otherwise keep their size for good.
namespace mv {

void returnFreedMemory() noexcept;

} // namespace mv
