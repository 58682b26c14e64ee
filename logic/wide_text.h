#pragma once

#include <cstddef>

// Fixed-capacity wide text: a buffer of `capacity` characters, the terminating
// zero included, so it holds at most capacity - 1 characters of text. Every
// write to such a buffer goes through these helpers, which never write beyond it.

// Appends the first `length` characters of `text` after the buffer's current
// text. What does not fit is cut at the capacity; the buffer stays terminated.
// Returns false when the text was cut.
bool AppendText(wchar_t* buffer, size_t capacity, const wchar_t* text, size_t length);

// Appends the zero-terminated `text`, as above.
bool AppendText(wchar_t* buffer, size_t capacity, const wchar_t* text);

// Replaces the buffer's text with `text`, as above.
bool SetText(wchar_t* buffer, size_t capacity, const wchar_t* text);

template <size_t Capacity>
bool AppendText(wchar_t (&buffer)[Capacity], const wchar_t* text)
{
    return AppendText(buffer, Capacity, text);
}

template <size_t Capacity>
bool SetText(wchar_t (&buffer)[Capacity], const wchar_t* text)
{
    return SetText(buffer, Capacity, text);
}
