#pragma once

// Shows the program's dialog (the IDD_MAIN template of ui/QMCommandsUpdater.rc,
// linked into the calling program) modally, calls `onInit` while it
// initialises, before it shows, as the program runs its check there, and ends
// it on IDCANCEL (Escape, the Close button, the close box). `onInit` may be
// null. Returns when the dialog is gone.
void RunTemplateDialog(void (*onInit)());
