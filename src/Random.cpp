#include "Random.h"

#include <windows.h>

#include <cstdlib>
#include <ctime>

// Seeded on every call, so the value depends only on the moment of the call: two signed URLs
// built within the same tick and second share their rand and signature.
int randomNumber()
{
    std::srand(static_cast<unsigned>(GetTickCount() ^ static_cast<DWORD>(std::time(nullptr))));
    return std::rand();
}
