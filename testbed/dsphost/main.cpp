// dsphost --list
// dsphost --settings [--clsid {GUID}] [--close-after MS] [IN.wav]
// dsphost [--clsid {GUID}] [--gain DB] [--disable] [--in-buffer BYTES]
//         [--out-buffer BYTES] [--no-timestamps] IN.wav OUT.wav
#include <windows.h>
#include <objbase.h>

#include <cwchar>

#include "dsphost.h"

namespace {

struct Mode {
    const wchar_t* flag;
    int (*run)(const dsphost::Arguments& args);
};

// One line per mode.
const Mode kModes[] = {
    {L"--list", dsphost::RunList},
    {L"--settings", dsphost::RunSettings},
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    dsphost::Arguments args(argv + 1, argv + argc);
    // Apartment-threaded, like the player's UI thread that hosts settings pages.
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr)) return dsphost::Fail(L"COM initialisation failed", hr);

    int result = -1;
    if (!args.empty()) {
        for (const Mode& mode : kModes) {
            if (args[0] == mode.flag) {
                result = mode.run(dsphost::Arguments(args.begin() + 1, args.end()));
                break;
            }
        }
    }
    if (result == -1) result = dsphost::RunPlay(args);
    CoUninitialize();
    return result;
}
