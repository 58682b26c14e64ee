#include "wide_text.h"

#include <algorithm>
#include <cwchar>

bool AppendText(wchar_t* buffer, size_t capacity, const wchar_t* text, size_t length)
{
    if (capacity == 0) {
        return length == 0;
    }
    // A buffer whose terminator went missing is treated as full.
    const size_t used = std::find(buffer, buffer + capacity - 1, L'\0') - buffer;
    const size_t copied = std::min(length, capacity - 1 - used);
    std::wmemcpy(buffer + used, text, copied);
    buffer[used + copied] = L'\0';
    return copied == length;
}

bool AppendText(wchar_t* buffer, size_t capacity, const wchar_t* text)
{
    return AppendText(buffer, capacity, text, std::wcslen(text));
}

bool SetText(wchar_t* buffer, size_t capacity, const wchar_t* text)
{
    if (capacity > 0) {
        buffer[0] = L'\0';
    }
    return AppendText(buffer, capacity, text);
}
