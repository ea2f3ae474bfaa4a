// Setup.exe: installs the plug-in, or with "/U" uninstalls it.
#include "setup_flow.h"
#include "system_folder.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int) {
    // Before anything can load a DLL: the folder this elevated program was
    // started from is not trusted.
    gainlet::setup::RestrictDllSearchToSystemFolder();
    return gainlet::setup::RunSetup(instance, arguments);
}
