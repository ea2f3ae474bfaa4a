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

}  // namespace gainlet::test
