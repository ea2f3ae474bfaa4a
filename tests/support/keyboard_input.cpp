#include "keyboard_input.h"

namespace gainlet::test {

bool PressKeys(std::initializer_list<WORD> keys) {
    constexpr size_t kMostKeys = 4;
    INPUT inputs[2 * kMostKeys] = {};
    if (keys.size() > kMostKeys) return false;
    UINT count = 0;
    for (WORD key : keys) {
        inputs[count].type = INPUT_KEYBOARD;
        inputs[count].ki.wVk = key;
        ++count;
    }
    for (auto key = keys.end(); key != keys.begin();) {
        --key;
        inputs[count].type = INPUT_KEYBOARD;
        inputs[count].ki.wVk = *key;
        inputs[count].ki.dwFlags = KEYEVENTF_KEYUP;
        ++count;
    }
    return SendInput(count, inputs, sizeof(INPUT)) == count;
}

bool PressKeysUntil(std::initializer_list<WORD> keys, const std::function<bool()>& reached, int mostPresses) {
    for (int press = 0; press < mostPresses; ++press) {
        if (!PressKeys(keys)) return false;
        for (int waited = 0; waited < 3000; waited += 20) {
            if (reached()) return true;
            Sleep(20);
        }
    }
    return false;
}

HWND FocusOfThread(DWORD threadId) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(threadId, &info);
    return info.hwndFocus;
}

}  // namespace gainlet::test
