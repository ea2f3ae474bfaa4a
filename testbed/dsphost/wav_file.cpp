// RIFF WAVE files: the "fmt " chunk and the "data" chunk, nothing else kept.
#include <cstring>

#include "dsphost.h"

namespace dsphost {
namespace {

const HRESULT kBadFormat = HRESULT_FROM_WIN32(ERROR_BAD_FORMAT);

class File {
public:
    explicit File(HANDLE handle) : handle(handle) {}
    ~File() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    HANDLE Get() const { return handle; }

private:
    HANDLE handle;
};

HRESULT LastError() {
    const DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

DWORD ReadLe32(const BYTE* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<DWORD>(p[3]) << 24); }

void AppendLe32(std::vector<BYTE>* out, DWORD value) {
    for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<BYTE>(value >> shift));
}

void AppendTag(std::vector<BYTE>* out, const char* tag) { out->insert(out->end(), tag, tag + 4); }

}  // namespace

HRESULT ReadWav(const std::wstring& path, WavFile* wav, std::wstring* problem) {
    File file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) {
        *problem = L"cannot open " + path;
        return LastError();
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) {
        *problem = L"cannot read " + path;
        return LastError();
    }
    if (size.QuadPart > 0x7FFFFFFF) {
        *problem = path + L" is too large";
        return kBadFormat;
    }
    std::vector<BYTE> bytes(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() && (!ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size())) {
        *problem = L"cannot read " + path;
        return LastError();
    }

    if (bytes.size() < 12 || memcmp(bytes.data(), "RIFF", 4) != 0 || memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        *problem = path + L" is not a RIFF WAVE file";
        return kBadFormat;
    }
    bool haveFormat = false, haveData = false;
    size_t position = 12;
    while (position + 8 <= bytes.size()) {
        const BYTE* header = bytes.data() + position;
        const size_t chunkSize = ReadLe32(header + 4);
        const size_t body = position + 8;
        if (chunkSize > bytes.size() - body) {
            *problem = path + L": chunk '" + std::wstring(header, header + 4) + L"' runs past the end of the file";
            return kBadFormat;
        }
        if (memcmp(header, "fmt ", 4) == 0) {
            if (chunkSize < 16) {
                *problem = path + L": format chunk shorter than 16 bytes";
                return kBadFormat;
            }
            wav->storedFormat.assign(bytes.begin() + body, bytes.begin() + body + chunkSize);
            wav->format = wav->storedFormat;
            if (wav->format.size() < sizeof(WAVEFORMATEX)) wav->format.resize(sizeof(WAVEFORMATEX), 0);
            haveFormat = true;
        } else if (memcmp(header, "data", 4) == 0) {
            wav->data.assign(bytes.begin() + body, bytes.begin() + body + chunkSize);
            haveData = true;
        }
        position = body + chunkSize + (chunkSize & 1);  // chunks are word-aligned
    }
    if (!haveFormat || !haveData) {
        *problem = path + (haveFormat ? L": no data chunk" : L": no format chunk");
        return kBadFormat;
    }
    return S_OK;
}

HRESULT WriteWav(const std::wstring& path, const std::vector<BYTE>& format, const std::vector<BYTE>& data) {
    std::vector<BYTE> bytes;
    const size_t riffSize = 4 + 8 + format.size() + (format.size() & 1) + 8 + data.size() + (data.size() & 1);
    if (riffSize > 0xFFFFFFFFu) return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
    bytes.reserve(riffSize + 8);
    AppendTag(&bytes, "RIFF");
    AppendLe32(&bytes, static_cast<DWORD>(riffSize));
    AppendTag(&bytes, "WAVE");
    AppendTag(&bytes, "fmt ");
    AppendLe32(&bytes, static_cast<DWORD>(format.size()));
    bytes.insert(bytes.end(), format.begin(), format.end());
    if (format.size() & 1) bytes.push_back(0);
    AppendTag(&bytes, "data");
    AppendLe32(&bytes, static_cast<DWORD>(data.size()));
    bytes.insert(bytes.end(), data.begin(), data.end());
    if (data.size() & 1) bytes.push_back(0);

    HRESULT hr = S_OK;
    {
        File file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        if (file.Get() == INVALID_HANDLE_VALUE) return LastError();
        DWORD written = 0;
        if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size())
            hr = LastError();
    }
    // No half-written file is left behind.
    if (FAILED(hr)) DeleteFileW(path.c_str());
    return hr;
}

}  // namespace dsphost
