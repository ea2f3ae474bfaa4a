// Running the platform's registration tool on the installed DLL.
#pragma once

extern const wchar_t kRegisterCommand[];     // regsvr32.exe "%s"
extern const wchar_t kUnregisterCommand[];   // regsvr32.exe /u "%s"

// Starts the command (one of the two above, filled with the DLL's full path)
// and waits for it to end. The tool reports its own success or failure to
// the user; its exit code does not change the installer's course. False only
// when the process could not be started.
bool RunRegsvr32(const wchar_t* commandFormat, const wchar_t* dllPath);
