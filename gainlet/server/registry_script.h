// Registration scripts: the small text language in which each class states
// its registry keys, run forwards to register and backwards to unregister.
//
//   HKCR
//   {
//       NoRemove CLSID
//       {
//           ForceRemove {...} = s 'Name'
//           {
//               InprocServer32 = s '%MODULE%'
//               {
//                   val ThreadingModel = s 'Both'
//               }
//           }
//       }
//   }
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace gainlet {

enum class ScriptMode { Register, Unregister };

struct ScriptReplacement {
    std::wstring name;  // matched case-insensitively against %NAME%
    std::wstring value;
};

// Root key names a script may use; production scripts know only HKCR.
struct ScriptRoot {
    const wchar_t* name;
    HKEY key;
};

// Replaces every %NAME% in text, and %% by %. An unknown name or a missing
// closing % gives DISP_E_EXCEPTION, a name over 31 characters E_FAIL.
HRESULT SubstituteReplacements(const std::wstring& text, const std::vector<ScriptReplacement>& replacements,
                               std::wstring* result);

// Parses script (already substituted) and applies it in mode against the
// roots (null: HKCR only). The whole script is parsed before the registry is
// touched, so a syntax error (DISP_E_EXCEPTION) changes nothing. A failed
// registration is taken back by running the script in unregister mode; the
// first failure is returned.
HRESULT ApplyRegistryScript(const std::wstring& script, ScriptMode mode, const ScriptRoot* roots = nullptr);

// Runs the REGISTRY resource scriptId of module in mode, with %MODULE% the
// module's path (single quotes doubled) and %MODULE_RAW% the path as it is.
HRESULT RunRegistrationScript(HMODULE module, UINT scriptId, ScriptMode mode);

}  // namespace gainlet
