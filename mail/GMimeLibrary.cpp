#include "GMimeLibrary.h"

#include <gmime/gmime.h>
#include <mutex>

namespace sievra {

void UseGMime() {
    // g_mime_init itself is not safe to call from two threads at once.
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

} // namespace sievra
