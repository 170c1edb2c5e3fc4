#pragma once

class BundledService;
class MainWindow;

// The program's start once its service is settled: the main window, whose
// lookups go where the service says and whose first lookup waits for a
// service still starting, shown; then, over it, what the user must be told
// about the service. The window deletes itself when closed; the service
// must outlive it.
MainWindow *OpenMainWindow(BundledService &service);
