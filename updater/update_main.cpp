// Update: the updater's entry point.
#include <windows.h>

#include "patch_app.h"

namespace {
CPatchRunnerApp theApp;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return theApp.Run(instance); }
