// The installer's two modes. Exit codes: 0 when the mode ran to its end or
// the user declined; -1 when another installer is running, a file could not
// be installed, regsvr32.exe could not be started, or it failed to register
// the installed DLL (the user has been told), and when an uninstallation
// leaves an installed file behind for good. A failed unregistration does not
// stop the removal and does not change the exit code.
#pragma once
#include <windows.h>

namespace gainlet::setup {

const int kSetupSucceeded = 0;
const int kSetupFailed = -1;

// "/u" or "/U" after leading blanks (spaces, tabs) asks for uninstallation;
// anything after those two characters is ignored. Any other text installs.
bool IsUninstallRequest(const wchar_t* arguments);

// The whole run: keeps the module instance for string loads and runs the
// mode the arguments ask for, unless another installer runs in any session.
int RunSetup(HINSTANCE instance, const wchar_t* arguments);

int RunInstall();
int RunUninstall();

}  // namespace gainlet::setup
