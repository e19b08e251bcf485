#pragma once
// Start-up of the host's user-interface library, called by a module as it attaches.

// Prepares the dialog framework for the calling module. Safe to call any number of
// times and before the editor's application object exists. Returns true when dialogs
// can be shown now (an application object exists), false otherwise.
bool InitAcUiDLL();
