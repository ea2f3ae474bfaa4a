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

#include "wav_file.h"

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

// The plug-in a mode works on: the one --clsid names, else the first DSP
// plug-in the registrar stand-in recorded for Audio/PCM.
struct PluginChoice {
    bool named = false;
    CLSID clsid{};
};

// Whether args[*index] is "--clsid"; if so it takes the GUID that follows
// into *choice and leaves *index on it, or says in *problem what is wrong.
bool TakeClsidOption(const Arguments& args, size_t* index, PluginChoice* choice, std::wstring* problem);
// Whether arg is an option ("--" and more), known or not.
bool IsOption(const std::wstring& arg);
// A decimal count from 1 to 0x7FFFFFFF (byte counts, milliseconds).
bool ParsePositive(const std::wstring& text, DWORD* value);
// Creates the chosen plug-in in-process. kExitOk, or the failed step
// reported and kExitFailure.
int CreatePlugin(const PluginChoice& choice, IMediaObject** object);

// Sets the WAV's exact format block as input and output type.
HRESULT NegotiateFormat(IMediaObject* object, const WavFormat& wav, std::wstring* step);

}  // namespace dsphost
