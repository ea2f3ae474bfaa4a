// Setup.exe: installs the plug-in, or with "/U" uninstalls it.
#include "setup_flow.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int) {
    return gainlet::setup::RunSetup(instance, arguments);
}
