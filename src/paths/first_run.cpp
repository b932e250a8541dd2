#include "paths/first_run.h"

namespace qz::paths {

// Seeding writes each offered compiler's default directories; until compiler
// discovery exists there is no compiler to seed, so a new key stays empty.
HRESULT SeedFirstRun(const std::wstring&) {
    return S_OK;
}

}  // namespace qz::paths
