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

#include <cstddef>

namespace gainlet {

enum class ScriptMode { Register, Unregister };

struct ScriptReplacement {
    const wchar_t* name;  // matched case-insensitively against %NAME%
    const wchar_t* value;
};

// Root key names a script may use; production scripts know only HKCR.
struct ScriptRoot {
    const wchar_t* name;
    HKEY key;
};

// Every buffer of the interpreter is fixed: a script of the DLL's, with the
// module's path substituted twice, needs a fraction of these.
constexpr std::size_t kMaxScriptLength = 4096;  // characters, with the terminating null
constexpr std::size_t kMaxTokenLength = 1024;   // one name or quoted text, with the terminating null

// Replaces every %NAME% in text, and %% by %, into result (capacity
// characters with the null). An unknown name or a missing closing % gives
// DISP_E_EXCEPTION, a name over 31 characters E_FAIL, a result that does not
// fit HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER); result is written only
// on success.
HRESULT SubstituteReplacements(const wchar_t* text, const ScriptReplacement* replacements, std::size_t count,
                               wchar_t* result, std::size_t capacity);

// Parses script (already substituted) and applies it in mode against the
// roots (null: HKCR only). The whole script is parsed before the registry is
// touched, so a syntax error (DISP_E_EXCEPTION) changes nothing; so does a
// token longer than kMaxTokenLength or nesting deeper than the interpreter
// follows (HRESULT_FROM_WIN32(ERROR_BUFFER_OVERFLOW)). A failed registration
// is taken back by running the script in unregister mode; the first failure
// is returned.
HRESULT ApplyRegistryScript(const wchar_t* script, ScriptMode mode, const ScriptRoot* roots = nullptr);

// Runs the REGISTRY resource scriptId of module in mode, with %MODULE% the
// module's path (single quotes doubled) and %MODULE_RAW% the path as it is.
HRESULT RunRegistrationScript(HMODULE module, UINT scriptId, ScriptMode mode);

}  // namespace gainlet
