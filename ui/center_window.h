#pragma once

#include <windows.h>

// Where a window of `width` x `height` goes to sit in the middle of
// `reference`, moved back inside `workArea` where it would stick out (right
// and bottom edges first, then left and top). Divisions truncate toward zero.
POINT CenteredPosition(const RECT& reference, const RECT& workArea, LONG width, LONG height);

// Centres a top-level dialog on its owner when the owner is visible and not
// minimised, otherwise on the work area of the nearest monitor, without
// resizing, reordering or activating it. Leaves it where it is when the
// monitor cannot be found.
void CenterWindow(HWND dialog);
