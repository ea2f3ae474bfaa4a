// Running the platform's registration tool on the installed DLL.
#pragma once

namespace gainlet::setup {

extern const wchar_t kRegisterCommand[];    // regsvr32.exe "%s"
extern const wchar_t kUnregisterCommand[];  // regsvr32.exe /u "%s"

enum class Regsvr32Result {
    NotStarted,  // the process could not be created
    Succeeded,   // the tool ended with exit code 0
    Failed,      // the tool ran and reported a failure (or its end is unknown)
};

// Starts the command (one of the two above, filled with the DLL's full path)
// and waits for it to end. The tool reports its own success or failure to
// the user; the result only tells the caller how it ended.
Regsvr32Result RunRegsvr32(const wchar_t* commandFormat, const wchar_t* dllPath);

}  // namespace gainlet::setup
