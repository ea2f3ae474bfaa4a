#include "registry_script.h"

#include <cwchar>
#include <initializer_list>

#include "common/unique_handle.h"
#include "module_path.h"
#include "win32_error.h"

namespace gainlet {
namespace {

const ScriptRoot kClassesRootOnly[] = {
    {L"HKCR", HKEY_CLASSES_ROOT},
    {nullptr, nullptr},
};

constexpr std::size_t kMaxReplacementName = 31;
// The scripts nest four deep; each level keeps one name on the stack.
constexpr int kMaxNesting = 16;
constexpr HRESULT kTooLarge = HRESULT_FROM_WIN32(ERROR_BUFFER_OVERFLOW);

bool IsScriptSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

// One token of the script, decoded: a quoted text without its quotes and
// with each doubled quote made single.
struct Token {
    bool present = false;  // false past the end of the script
    bool quoted = false;
    std::size_t length = 0;
    wchar_t text[kMaxTokenLength] = {};
};

class TokenReader {
public:
    explicit TokenReader(const wchar_t* script) : cursor(script) {}

    HRESULT Read(Token* token) {
        while (IsScriptSpace(*cursor)) ++cursor;
        token->present = *cursor != L'\0';
        token->quoted = *cursor == L'\'';
        token->length = 0;
        token->text[0] = L'\0';
        if (!token->present) return S_OK;
        if (!token->quoted) {
            while (*cursor && !IsScriptSpace(*cursor)) {
                if (!Append(token, *cursor++)) return kTooLarge;
            }
            return S_OK;
        }
        for (++cursor;;) {
            if (*cursor == L'\0') return DISP_E_EXCEPTION;  // unterminated quote
            if (*cursor == L'\'') {
                if (cursor[1] != L'\'') {
                    ++cursor;
                    return S_OK;
                }
                ++cursor;
            }
            if (!Append(token, *cursor++)) return kTooLarge;
        }
    }

private:
    static bool Append(Token* token, wchar_t c) {
        if (token->length + 1 >= kMaxTokenLength) return false;
        token->text[token->length++] = c;
        token->text[token->length] = L'\0';
        return true;
    }

    const wchar_t* cursor;
};

HRESULT SetStringValue(HKEY key, const wchar_t* name, const Token& data) {
    const DWORD bytes = static_cast<DWORD>((data.length + 1) * sizeof(wchar_t));
    const LONG error = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.text), bytes);
    return error == ERROR_SUCCESS ? S_OK : HResultFromError(error);
}

// RegDeleteTreeW is not on every supported system; subkeys go first. True
// when the key is gone.
bool DeleteKeyTree(HKEY parent, const wchar_t* name) {
    RegistryKey key;
    if (RegOpenKeyExW(parent, name, 0, KEY_READ | KEY_WRITE, key.put()) != ERROR_SUCCESS) return false;
    DWORD index = 0;
    for (;;) {
        wchar_t subkey[256];  // the longest key name the registry allows, and the null
        DWORD length = ARRAYSIZE(subkey);
        if (RegEnumKeyExW(key.get(), index, subkey, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        // A subkey that cannot go is stepped over, so the walk ends.
        if (!DeleteKeyTree(key.get(), subkey)) ++index;
    }
    key.reset();
    return RegDeleteKeyW(parent, name) == ERROR_SUCCESS;
}

// Reads the script once, applying each entry as it is read. A null parent
// key only parses: the whole script, to check it before anything is
// touched, or the block of a key that unregistering finds absent.
class ScriptRunner {
public:
    ScriptRunner(const wchar_t* script, const ScriptRoot* roots, ScriptMode mode)
        : reader(script), roots(roots), mode(mode) {}

    HRESULT Run(bool apply) {
        HRESULT hr = Advance();
        while (SUCCEEDED(hr) && token.present) {
            HKEY root = FindRoot();
            if (!root) return DISP_E_EXCEPTION;
            hr = Advance();
            if (SUCCEEDED(hr)) hr = Block(apply ? root : nullptr, 0);
        }
        // A token that could not be read ends the script wherever it stood,
        // so it is the failure to report.
        return FAILED(readError) ? readError : hr;
    }

private:
    HRESULT Advance() {
        const HRESULT hr = reader.Read(&token);
        if (FAILED(hr)) {
            token.present = false;
            if (SUCCEEDED(readError)) readError = hr;
        }
        return hr;
    }

    bool IsWord(const wchar_t* word) const { return token.present && !token.quoted && _wcsicmp(token.text, word) == 0; }

    bool Take(const wchar_t* word) {
        if (!IsWord(word)) return false;
        Advance();  // a failure to read on ends the script at the next check
        return true;
    }

    HKEY FindRoot() const {
        if (token.quoted) return nullptr;
        for (const ScriptRoot* root = roots; root->name; ++root)
            if (_wcsicmp(token.text, root->name) == 0) return root->key;
        return nullptr;
    }

    // A name of one path element: never a brace or equals sign, never empty
    // (an empty key name would stand for the parent key itself).
    HRESULT TakeName(wchar_t (&name)[kMaxTokenLength]) {
        if (!token.present) return DISP_E_EXCEPTION;
        if (IsWord(L"{") || IsWord(L"}") || IsWord(L"=")) return DISP_E_EXCEPTION;
        if (token.length == 0 || std::wcschr(token.text, L'\\')) return DISP_E_EXCEPTION;
        std::wmemcpy(name, token.text, token.length + 1);
        return Advance();
    }

    // "s 'text'", the only value type the scripts use: leaves the text as the
    // current token, for the caller to use before it advances.
    HRESULT ExpectStringData() {
        if (!IsWord(L"s")) return DISP_E_EXCEPTION;
        const HRESULT hr = Advance();
        if (FAILED(hr)) return hr;
        return token.present && token.quoted ? S_OK : DISP_E_EXCEPTION;
    }

    HRESULT Block(HKEY parent, int depth) {
        if (depth == kMaxNesting) return kTooLarge;
        if (!IsWord(L"{")) return DISP_E_EXCEPTION;
        HRESULT hr = Advance();
        while (SUCCEEDED(hr)) {
            if (!token.present) return DISP_E_EXCEPTION;  // block not closed
            if (IsWord(L"}")) return Advance();
            hr = IsWord(L"val") ? Value(parent) : Key(parent, depth);
        }
        return hr;
    }

    HRESULT Value(HKEY parent) {
        wchar_t name[kMaxTokenLength];
        HRESULT hr = Advance();
        if (SUCCEEDED(hr)) hr = TakeName(name);
        if (FAILED(hr)) return hr;
        if (!Take(L"=")) return DISP_E_EXCEPTION;
        hr = ExpectStringData();
        if (FAILED(hr)) return hr;

        if (parent && mode == ScriptMode::Register) {
            hr = SetStringValue(parent, name, token);
        } else if (parent) {
            const LONG error = RegDeleteValueW(parent, name);
            if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) hr = HResultFromError(error);
        }
        return SUCCEEDED(hr) ? Advance() : hr;
    }

    HRESULT Key(HKEY parent, int depth) {
        const bool noRemove = Take(L"NoRemove");
        const bool forceRemove = !noRemove && Take(L"ForceRemove");
        wchar_t name[kMaxTokenLength];
        HRESULT hr = TakeName(name);
        if (FAILED(hr)) return hr;

        RegistryKey key;
        if (Take(L"=")) {
            hr = ExpectStringData();
            if (SUCCEEDED(hr) && parent && mode == ScriptMode::Register) {
                hr = OpenForRegistering(parent, name, forceRemove, &key);
                if (SUCCEEDED(hr)) hr = SetStringValue(key.get(), nullptr, token);
            }
            if (SUCCEEDED(hr)) hr = Advance();
        } else if (parent && mode == ScriptMode::Register) {
            hr = OpenForRegistering(parent, name, forceRemove, &key);
        }
        if (FAILED(hr)) return hr;

        if (parent && mode == ScriptMode::Unregister) {
            const LONG error = RegOpenKeyExW(parent, name, 0, KEY_READ | KEY_WRITE, key.put());
            if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) return HResultFromError(error);
        }
        // An absent key's block is only read past.
        if (IsWord(L"{")) hr = Block(key.get(), depth + 1);
        if (FAILED(hr) || !parent || mode != ScriptMode::Unregister || !key || noRemove) return hr;
        return RemoveIfUnused(parent, name, &key);
    }

    static HRESULT OpenForRegistering(HKEY parent, const wchar_t* name, bool forceRemove, RegistryKey* key) {
        if (forceRemove) DeleteKeyTree(parent, name);
        LONG error = RegOpenKeyExW(parent, name, 0, KEY_READ | KEY_WRITE, key->put());
        if (error != ERROR_SUCCESS) error = RegOpenKeyExW(parent, name, 0, KEY_READ, key->put());
        if (error != ERROR_SUCCESS)
            error = RegCreateKeyExW(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr,
                                    key->put(), nullptr);
        return error == ERROR_SUCCESS ? S_OK : HResultFromError(error);
    }

    // A key that other software still uses (it has subkeys left) stays.
    static HRESULT RemoveIfUnused(HKEY parent, const wchar_t* name, RegistryKey* key) {
        DWORD subkeys = 0;
        LONG error = RegQueryInfoKeyW(key->get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                                      nullptr, nullptr, nullptr, nullptr);
        if (error != ERROR_SUCCESS) return HResultFromError(error);
        key->reset();
        if (subkeys != 0) return S_OK;
        error = RegDeleteKeyW(parent, name);
        return error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND ? S_OK : HResultFromError(error);
    }

    TokenReader reader;
    const ScriptRoot* roots;
    ScriptMode mode;
    Token token;
    HRESULT readError = S_OK;
};

// The script resource's bytes, in the thread's ANSI code page, as UTF-16.
HRESULT LoadScriptText(const wchar_t* modulePath, UINT scriptId, wchar_t* text, std::size_t capacity) {
    const LibraryHandle file(LoadLibraryExW(modulePath, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!file) return HResultFromError(GetLastError());

    const HRSRC resource = FindResourceW(file.get(), MAKEINTRESOURCEW(scriptId), L"REGISTRY");
    const HGLOBAL loaded = resource ? LoadResource(file.get(), resource) : nullptr;
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    const int size = resource ? static_cast<int>(SizeofResource(file.get(), resource)) : 0;
    if (!bytes) return HResultFromError(GetLastError());
    text[0] = L'\0';
    if (size == 0) return S_OK;

    const int length = MultiByteToWideChar(CP_THREAD_ACP, 0, bytes, size, nullptr, 0);
    if (length <= 0) return HResultFromError(GetLastError());
    if (static_cast<std::size_t>(length) >= capacity) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    MultiByteToWideChar(CP_THREAD_ACP, 0, bytes, size, text, length);
    text[length] = L'\0';
    return S_OK;
}

const ScriptReplacement* FindReplacement(const wchar_t* name, std::size_t length, const ScriptReplacement* replacements,
                                         std::size_t count) {
    const ScriptReplacement* match = nullptr;
    for (std::size_t i = 0; i < count; ++i)
        if (std::wcslen(replacements[i].name) == length && _wcsnicmp(name, replacements[i].name, length) == 0)
            match = &replacements[i];
    return match;
}

}  // namespace

HRESULT SubstituteReplacements(const wchar_t* text, const ScriptReplacement* replacements, std::size_t count,
                               wchar_t* result, std::size_t capacity) {
    // Measured and checked first, written second: a failure leaves result as it was.
    for (bool write : {false, true}) {
        std::size_t out = 0;
        auto put = [&](const wchar_t* s, std::size_t n) {
            if (write) std::wmemcpy(result + out, s, n);
            out += n;
        };
        for (const wchar_t* p = text; *p; ++p) {
            if (*p != L'%') {
                put(p, 1);
                continue;
            }
            if (p[1] == L'%') {
                put(p++, 1);
                continue;
            }
            const wchar_t* close = std::wcschr(p + 1, L'%');
            if (!close) return DISP_E_EXCEPTION;
            const std::size_t length = static_cast<std::size_t>(close - p - 1);
            if (length > kMaxReplacementName) return E_FAIL;
            const ScriptReplacement* match = FindReplacement(p + 1, length, replacements, count);
            if (!match) return DISP_E_EXCEPTION;
            put(match->value, std::wcslen(match->value));
            p = close;
        }
        if (out >= capacity) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
        if (write) result[out] = L'\0';
    }
    return S_OK;
}

HRESULT ApplyRegistryScript(const wchar_t* script, ScriptMode mode, const ScriptRoot* roots) {
    if (!roots) roots = kClassesRootOnly;
    HRESULT hr = ScriptRunner(script, roots, mode).Run(false);
    if (FAILED(hr)) return hr;

    hr = ScriptRunner(script, roots, mode).Run(true);
    if (FAILED(hr) && mode == ScriptMode::Register) ScriptRunner(script, roots, ScriptMode::Unregister).Run(true);
    return hr;
}

HRESULT RunRegistrationScript(HMODULE module, UINT scriptId, ScriptMode mode) {
    wchar_t rawPath[MAX_PATH];
    HRESULT hr = GetModulePath(module, rawPath);
    if (FAILED(hr)) return hr;

    // The path stands inside '...' in the scripts.
    wchar_t quotedPath[2 * MAX_PATH];
    std::size_t length = 0;
    for (const wchar_t* c = rawPath; *c; ++c) {
        quotedPath[length++] = *c;
        if (*c == L'\'') quotedPath[length++] = L'\'';
    }
    quotedPath[length] = L'\0';

    wchar_t script[kMaxScriptLength];
    hr = LoadScriptText(rawPath, scriptId, script, kMaxScriptLength);
    if (FAILED(hr)) return hr;
    const ScriptReplacement replacements[] = {{L"Module", quotedPath}, {L"Module_Raw", rawPath}};
    wchar_t substituted[kMaxScriptLength];
    hr = SubstituteReplacements(script, replacements, ARRAYSIZE(replacements), substituted, kMaxScriptLength);
    if (FAILED(hr)) return hr;
    return ApplyRegistryScript(substituted, mode);
}

}  // namespace gainlet
