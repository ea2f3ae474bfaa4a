#include "registry_script.h"

#include <cwchar>

#include "common/unique_handle.h"
#include "module_path.h"
#include "win32_error.h"

namespace gainlet {
namespace {

const ScriptRoot kClassesRootOnly[] = {
    {L"HKCR", HKEY_CLASSES_ROOT},
    {nullptr, nullptr},
};

constexpr size_t kMaxReplacementName = 31;

bool IsScriptSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool SameText(const std::wstring& a, const wchar_t* b) { return _wcsicmp(a.c_str(), b) == 0; }

struct Token {
    std::wstring text;
    bool quoted;
};

HRESULT Tokenize(const std::wstring& script, std::vector<Token>* tokens) {
    size_t i = 0;
    const size_t end = script.size();
    while (i < end) {
        if (IsScriptSpace(script[i])) {
            ++i;
            continue;
        }
        Token token{std::wstring(), script[i] == L'\''};
        if (token.quoted) {
            ++i;
            for (;;) {
                if (i == end) return DISP_E_EXCEPTION;  // unterminated quote
                if (script[i] == L'\'') {
                    if (i + 1 < end && script[i + 1] == L'\'') {
                        token.text += L'\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                token.text += script[i++];
            }
        } else {
            while (i < end && !IsScriptSpace(script[i])) token.text += script[i++];
        }
        tokens->push_back(std::move(token));
    }
    return S_OK;
}

struct ScriptEntry {
    enum class Kind { Key, Value } kind = Kind::Key;
    enum class Modifier { None, NoRemove, ForceRemove } modifier = Modifier::None;
    std::wstring name;
    bool hasData = false;  // a key's default value, or a value's data
    std::wstring data;
    std::vector<ScriptEntry> children;
};

struct RootBlock {
    HKEY root;
    std::vector<ScriptEntry> entries;
};

class Parser {
public:
    Parser(const std::vector<Token>& tokens, const ScriptRoot* roots) : tokens(tokens), roots(roots) {}

    HRESULT ParseScript(std::vector<RootBlock>* blocks) {
        while (position < tokens.size()) {
            const Token& name = tokens[position++];
            HKEY root = FindRoot(name);
            if (!root) return DISP_E_EXCEPTION;
            RootBlock block{root, {}};
            HRESULT hr = ParseBlock(&block.entries);
            if (FAILED(hr)) return hr;
            blocks->push_back(std::move(block));
        }
        return S_OK;
    }

private:
    HKEY FindRoot(const Token& name) const {
        if (name.quoted) return nullptr;
        for (const ScriptRoot* root = roots; root->name; ++root)
            if (SameText(name.text, root->name)) return root->key;
        return nullptr;
    }

    bool NextIs(const wchar_t* word) const {
        return position < tokens.size() && !tokens[position].quoted && SameText(tokens[position].text, word);
    }

    bool Take(const wchar_t* word) {
        if (!NextIs(word)) return false;
        ++position;
        return true;
    }

    // A name of one path element: never a brace or equals sign, never empty
    // (an empty key name would stand for the parent key itself).
    HRESULT TakeName(std::wstring* name) {
        if (position == tokens.size()) return DISP_E_EXCEPTION;
        const Token& token = tokens[position];
        if (!token.quoted && (token.text == L"{" || token.text == L"}" || token.text == L"=")) return DISP_E_EXCEPTION;
        if (token.text.empty() || token.text.find(L'\\') != std::wstring::npos) return DISP_E_EXCEPTION;
        *name = token.text;
        ++position;
        return S_OK;
    }

    // "s 'text'": the only value type the scripts use.
    HRESULT TakeStringData(std::wstring* data) {
        if (!Take(L"s")) return DISP_E_EXCEPTION;
        if (position == tokens.size() || !tokens[position].quoted) return DISP_E_EXCEPTION;
        *data = tokens[position++].text;
        return S_OK;
    }

    HRESULT ParseBlock(std::vector<ScriptEntry>* entries) {
        if (!Take(L"{")) return DISP_E_EXCEPTION;
        for (;;) {
            if (position == tokens.size()) return DISP_E_EXCEPTION;  // block not closed
            if (Take(L"}")) return S_OK;
            ScriptEntry entry;
            HRESULT hr = ParseEntry(&entry);
            if (FAILED(hr)) return hr;
            entries->push_back(std::move(entry));
        }
    }

    HRESULT ParseEntry(ScriptEntry* entry) {
        if (Take(L"val")) {
            entry->kind = ScriptEntry::Kind::Value;
            HRESULT hr = TakeName(&entry->name);
            if (FAILED(hr)) return hr;
            if (!Take(L"=")) return DISP_E_EXCEPTION;
            entry->hasData = true;
            return TakeStringData(&entry->data);
        }
        if (Take(L"NoRemove"))
            entry->modifier = ScriptEntry::Modifier::NoRemove;
        else if (Take(L"ForceRemove"))
            entry->modifier = ScriptEntry::Modifier::ForceRemove;
        HRESULT hr = TakeName(&entry->name);
        if (FAILED(hr)) return hr;
        if (Take(L"=")) {
            entry->hasData = true;
            hr = TakeStringData(&entry->data);
            if (FAILED(hr)) return hr;
        }
        if (NextIs(L"{")) return ParseBlock(&entry->children);
        return S_OK;
    }

    const std::vector<Token>& tokens;
    const ScriptRoot* roots;
    size_t position = 0;
};

HRESULT SetStringValue(HKEY key, const wchar_t* name, const std::wstring& data) {
    const DWORD bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
    const LONG error = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), bytes);
    return error == ERROR_SUCCESS ? S_OK : HResultFromError(error);
}

// RegDeleteTreeW is not on every supported system; subkeys go first.
void DeleteKeyTree(HKEY parent, const std::wstring& name) {
    RegistryKey key;
    if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | KEY_WRITE, key.put()) != ERROR_SUCCESS) return;
    std::vector<std::wstring> subkeys;
    for (DWORD index = 0;; ++index) {
        wchar_t subkey[256];
        DWORD length = ARRAYSIZE(subkey);
        if (RegEnumKeyExW(key.get(), index, subkey, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        subkeys.emplace_back(subkey, length);
    }
    for (const std::wstring& subkey : subkeys) DeleteKeyTree(key.get(), subkey);
    key.reset();
    RegDeleteKeyW(parent, name.c_str());
}

HRESULT RegisterEntries(HKEY parent, const std::vector<ScriptEntry>& entries);
HRESULT UnregisterEntries(HKEY parent, const std::vector<ScriptEntry>& entries);

HRESULT RegisterKey(HKEY parent, const ScriptEntry& entry) {
    if (entry.modifier == ScriptEntry::Modifier::ForceRemove) DeleteKeyTree(parent, entry.name);

    RegistryKey key;
    LONG error = RegOpenKeyExW(parent, entry.name.c_str(), 0, KEY_READ | KEY_WRITE, key.put());
    if (error != ERROR_SUCCESS) error = RegOpenKeyExW(parent, entry.name.c_str(), 0, KEY_READ, key.put());
    if (error != ERROR_SUCCESS)
        error = RegCreateKeyExW(parent, entry.name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                                nullptr, key.put(), nullptr);
    if (error != ERROR_SUCCESS) return HResultFromError(error);

    if (entry.hasData) {
        HRESULT hr = SetStringValue(key.get(), nullptr, entry.data);
        if (FAILED(hr)) return hr;
    }
    return RegisterEntries(key.get(), entry.children);
}

HRESULT RegisterEntries(HKEY parent, const std::vector<ScriptEntry>& entries) {
    for (const ScriptEntry& entry : entries) {
        HRESULT hr = entry.kind == ScriptEntry::Kind::Value ? SetStringValue(parent, entry.name.c_str(), entry.data)
                                                            : RegisterKey(parent, entry);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT UnregisterValue(HKEY parent, const ScriptEntry& entry) {
    const LONG error = RegDeleteValueW(parent, entry.name.c_str());
    return error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND ? S_OK : HResultFromError(error);
}

// A key that other software still uses (it has subkeys left) stays.
HRESULT UnregisterKey(HKEY parent, const ScriptEntry& entry) {
    RegistryKey key;
    LONG error = RegOpenKeyExW(parent, entry.name.c_str(), 0, KEY_READ | KEY_WRITE, key.put());
    if (error == ERROR_FILE_NOT_FOUND) return S_OK;
    if (error != ERROR_SUCCESS) return HResultFromError(error);

    HRESULT hr = UnregisterEntries(key.get(), entry.children);
    if (FAILED(hr) || entry.modifier == ScriptEntry::Modifier::NoRemove) return hr;

    DWORD subkeys = 0;
    error = RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr);
    if (error != ERROR_SUCCESS) return HResultFromError(error);
    key.reset();
    if (subkeys != 0) return S_OK;

    error = RegDeleteKeyW(parent, entry.name.c_str());
    return error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND ? S_OK : HResultFromError(error);
}

HRESULT UnregisterEntries(HKEY parent, const std::vector<ScriptEntry>& entries) {
    for (const ScriptEntry& entry : entries) {
        HRESULT hr =
            entry.kind == ScriptEntry::Kind::Value ? UnregisterValue(parent, entry) : UnregisterKey(parent, entry);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT ApplyBlocks(const std::vector<RootBlock>& blocks, ScriptMode mode) {
    for (const RootBlock& block : blocks) {
        HRESULT hr = mode == ScriptMode::Register ? RegisterEntries(block.root, block.entries)
                                                  : UnregisterEntries(block.root, block.entries);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

// The script resource's bytes, in the thread's ANSI code page, as UTF-16.
HRESULT LoadScriptText(const wchar_t* modulePath, UINT scriptId, std::wstring* text) {
    const LibraryHandle file(LoadLibraryExW(modulePath, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!file) return HResultFromError(GetLastError());

    const HRSRC resource = FindResourceW(file.get(), MAKEINTRESOURCEW(scriptId), L"REGISTRY");
    const HGLOBAL loaded = resource ? LoadResource(file.get(), resource) : nullptr;
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    const int size = resource ? static_cast<int>(SizeofResource(file.get(), resource)) : 0;
    if (!bytes) return HResultFromError(GetLastError());
    if (size == 0) return S_OK;

    const int length = MultiByteToWideChar(CP_THREAD_ACP, 0, bytes, size, nullptr, 0);
    if (length <= 0) return HResultFromError(GetLastError());
    text->resize(length);
    MultiByteToWideChar(CP_THREAD_ACP, 0, bytes, size, &(*text)[0], length);
    return S_OK;
}

}  // namespace

HRESULT SubstituteReplacements(const std::wstring& text, const std::vector<ScriptReplacement>& replacements,
                               std::wstring* result) {
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'%') {
            out += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == L'%') {
            out += L'%';
            ++i;
            continue;
        }
        const size_t close = text.find(L'%', i + 1);
        if (close == std::wstring::npos) return DISP_E_EXCEPTION;
        const std::wstring name = text.substr(i + 1, close - i - 1);
        if (name.size() > kMaxReplacementName) return E_FAIL;
        const ScriptReplacement* match = nullptr;
        for (const ScriptReplacement& replacement : replacements)
            if (SameText(name, replacement.name.c_str())) match = &replacement;
        if (!match) return DISP_E_EXCEPTION;
        out += match->value;
        i = close;
    }
    *result = std::move(out);
    return S_OK;
}

HRESULT ApplyRegistryScript(const std::wstring& script, ScriptMode mode, const ScriptRoot* roots) {
    std::vector<Token> tokens;
    HRESULT hr = Tokenize(script, &tokens);
    if (FAILED(hr)) return hr;
    std::vector<RootBlock> blocks;
    hr = Parser(tokens, roots ? roots : kClassesRootOnly).ParseScript(&blocks);
    if (FAILED(hr)) return hr;

    hr = ApplyBlocks(blocks, mode);
    if (FAILED(hr) && mode == ScriptMode::Register) ApplyBlocks(blocks, ScriptMode::Unregister);
    return hr;
}

HRESULT RunRegistrationScript(HMODULE module, UINT scriptId, ScriptMode mode) {
    std::wstring rawPath;
    HRESULT hr = GetModulePath(module, &rawPath);
    if (FAILED(hr)) return hr;

    // The path stands inside '...' in the scripts.
    std::wstring quotedPath;
    for (wchar_t c : rawPath) {
        quotedPath += c;
        if (c == L'\'') quotedPath += L'\'';
    }

    std::wstring script;
    hr = LoadScriptText(rawPath.c_str(), scriptId, &script);
    if (FAILED(hr)) return hr;
    hr = SubstituteReplacements(script, {{L"Module", quotedPath}, {L"Module_Raw", rawPath}}, &script);
    if (FAILED(hr)) return hr;
    return ApplyRegistryScript(script, mode);
}

}  // namespace gainlet
