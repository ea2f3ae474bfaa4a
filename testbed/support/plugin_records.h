// What the registrar stand-in records, where the host and the tests read it:
//   HKLM\Software\Gainlet Testbed\Plugin Registrar
//     Plugins\{plug-in type}\{CLSID}   the current registrations
//     Calls\00000001 ...               every call, in order
// A string passed as null is recorded as an absent value.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testbed {

extern const wchar_t kRegistrarKeyPath[];

struct MediaTypePair {
    GUID type;
    GUID subtype;
};

struct PluginRecord {
    std::wstring operation;  // "Register" or "Unregister" (calls only)
    GUID pluginType{};
    CLSID clsid{};
    bool hasFriendlyName = false, hasDescription = false, hasUninstallString = false;
    std::wstring friendlyName, description, uninstallString;
    DWORD priority = 0;
    std::vector<MediaTypePair> mediaTypes;
    DWORD order = 0;  // registration sequence number
};

// The current registrations, in the order they were first made.
std::vector<PluginRecord> ReadRegisteredPlugins();
// Every register and unregister call so far, oldest first.
std::vector<PluginRecord> ReadRegistrarCalls();

// Writes and reads a record's values under key.
LONG WriteRecord(HKEY key, const PluginRecord& record);
bool ReadRecord(HKEY key, PluginRecord* record);

std::wstring GuidText(const GUID& guid);
bool ParseGuid(const std::wstring& text, GUID* guid);

}  // namespace testbed
