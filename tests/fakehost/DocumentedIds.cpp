#include "DocumentedIds.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace Documented {

// Parsed here rather than with IIDFromString, which the add-in may use as well.
GUID fromText(const wchar_t* text)
{
    unsigned long data1 = 0;
    unsigned int data2 = 0, data3 = 0, b[8] = {};
    wchar_t close = 0;
    const int read = std::swscanf(text, L"{%8lx-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x%lc", &data1, &data2, &data3, &b[0],
                                  &b[1], &b[2], &b[3], &b[4], &b[5], &b[6], &b[7], &close);
    if (read != 12 || close != L'}' || std::wcslen(text) != 38) {
        std::fprintf(stderr, "malformed documented id: %ls\n", text);
        std::abort();
    }
    GUID id{static_cast<unsigned long>(data1), static_cast<unsigned short>(data2), static_cast<unsigned short>(data3), {}};
    for (int i = 0; i < 8; ++i)
        id.Data4[i] = static_cast<unsigned char>(b[i]);
    return id;
}

} // namespace Documented
