// Where the plug-in keeps the user's gain under HKEY_CURRENT_USER: a
// REG_DWORD holding the IEEE single bit pattern of the gain in dB. The
// installer removes the key, and the product's key above it, on uninstall.
#pragma once

#define GAINLET_PRODUCT_KEY_NAME  L"Gainlet"
#define GAINLET_SETTINGS_KEY_NAME L"DSP Plugin"

namespace gainlet {

inline constexpr wchar_t kSoftwareKeyPath[] = L"Software";
inline constexpr wchar_t kProductKeyName[] = GAINLET_PRODUCT_KEY_NAME;
inline constexpr wchar_t kProductKeyPath[] = L"Software\\" GAINLET_PRODUCT_KEY_NAME;
inline constexpr wchar_t kSettingsKeyName[] = GAINLET_SETTINGS_KEY_NAME;
inline constexpr wchar_t kSettingsKeyPath[] = L"Software\\" GAINLET_PRODUCT_KEY_NAME L"\\" GAINLET_SETTINGS_KEY_NAME;
inline constexpr wchar_t kGainValueName[] = L"dBGain";

}  // namespace gainlet
