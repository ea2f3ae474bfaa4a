// dsphost: plays the media player's part for a DSP plug-in.
//
// Modes are entries of the table in main.cpp, each a function taking the
// arguments after its flag (the playing mode takes all of them). A new mode
// lives in a source file of its own (picked up by the build) and adds one
// line to that table; RunSettings is declared here for the settings mode.
#pragma once

#include <windows.h>
#include <mediaobj.h>
#include <mmreg.h>

#include <string>
#include <vector>

namespace dsphost {

using Arguments = std::vector<std::wstring>;

// Exit codes of every mode.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int RunList(const Arguments& args);
int RunPlay(const Arguments& args);
// --settings [--clsid {GUID}] [IN.wav]
int RunSettings(const Arguments& args);

// Output: UTF-16 text to the console, or UTF-8 when redirected.
void Print(const std::wstring& text);
// "dsphost: <what>: <detail> (hr 0x........)" on stderr; returns kExitFailure.
int Fail(const std::wstring& what, HRESULT hr);
// A usage error on stderr with the command line synopsis; returns kExitUsage.
int UsageError(const std::wstring& problem);

// The first DSP plug-in the registrar stand-in recorded for Audio/PCM.
HRESULT FindDefaultPlugin(CLSID* clsid);
bool ParseClsid(const std::wstring& text, CLSID* clsid);
// A decimal count from 1 to 0x7FFFFFFF (byte counts, milliseconds).
bool ParsePositive(const std::wstring& text, DWORD* value);
// Creates the plug-in in-process: by clsid, or the default one when clsid
// is null. On failure *what says which step failed.
HRESULT CreatePlugin(const CLSID* clsid, IMediaObject** object, std::wstring* what);

// A WAV file's format block (the "fmt " chunk, at least a WAVEFORMATEX) and
// its sample data.
struct WavFile {
    std::vector<BYTE> format;       // as stored (a 16-byte block gets cbSize 0 appended)
    std::vector<BYTE> storedFormat; // the chunk exactly as read, written back unchanged
    std::vector<BYTE> data;
    const WAVEFORMATEX* Format() const { return reinterpret_cast<const WAVEFORMATEX*>(format.data()); }
};
// Failures: the file's own error, or HRESULT_FROM_WIN32(ERROR_BAD_FORMAT)
// with problem saying what is wrong.
HRESULT ReadWav(const std::wstring& path, WavFile* wav, std::wstring* problem);
HRESULT WriteWav(const std::wstring& path, const std::vector<BYTE>& format, const std::vector<BYTE>& data);

// Sets the WAV's exact format block as input and output type.
HRESULT NegotiateFormat(IMediaObject* object, const WavFile& wav, std::wstring* step);

}  // namespace dsphost
