#include "app/memory_return.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace mv {

void returnFreedMemory() noexcept {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

} // namespace mv
