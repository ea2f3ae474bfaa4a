#include "wav_file.h"

#include <cstring>
#include <stdexcept>

namespace dsphost {
namespace {

const HRESULT kBadFormat = HRESULT_FROM_WIN32(ERROR_BAD_FORMAT);

// A format chunk is a WAVEFORMATEX and at most 65,535 bytes of extra
// information; anything longer is not one, and is not read into memory.
constexpr DWORD kLargestFormatChunk = sizeof(WAVEFORMATEX) + 0xFFFF;

HRESULT LastError() {
    const DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

DWORD ReadLe32(const BYTE* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<DWORD>(p[3]) << 24); }

void PutLe32(BYTE* p, DWORD value) {
    for (int shift = 0; shift < 32; shift += 8) *p++ = static_cast<BYTE>(value >> shift);
}

HRESULT ReadAt(HANDLE file, ULONGLONG position, BYTE* buffer, DWORD size) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(position);
    DWORD read = 0;
    if (!SetFilePointerEx(file, to, nullptr, FILE_BEGIN) || !ReadFile(file, buffer, size, &read, nullptr))
        return LastError();
    return read == size ? S_OK : HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);
}

HRESULT WriteAll(HANDLE file, const BYTE* data, DWORD size) {
    DWORD written = 0;
    if (!WriteFile(file, data, size, &written, nullptr)) return LastError();
    return written == size ? S_OK : HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
}

HRESULT WriteLe32At(HANDLE file, LONGLONG position, DWORD value) {
    BYTE bytes[4];
    PutLe32(bytes, value);
    LARGE_INTEGER to;
    to.QuadPart = position;
    if (!SetFilePointerEx(file, to, nullptr, FILE_BEGIN)) return LastError();
    return WriteAll(file, bytes, sizeof bytes);
}

// The RIFF chunk's size field for a file with these chunk bodies; each odd
// body is followed by a pad byte.
ULONGLONG RiffSize(ULONGLONG formatBytes, ULONGLONG dataBytes) {
    return 4 + 8 + formatBytes + (formatBytes & 1) + 8 + dataBytes + (dataBytes & 1);
}

}  // namespace

HRESULT WavReader::Open(const std::wstring& path, std::wstring* problem) {
    file.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        *problem = L"cannot open " + path;
        return LastError();
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) {
        *problem = L"cannot read " + path;
        return LastError();
    }
    const ULONGLONG fileSize = static_cast<ULONGLONG>(size.QuadPart);

    BYTE header[12];
    if (fileSize < 12 || FAILED(ReadAt(file.get(), 0, header, 12)) || memcmp(header, "RIFF", 4) != 0 ||
        memcmp(header + 8, "WAVE", 4) != 0) {
        *problem = path + L" is not a RIFF WAVE file";
        return kBadFormat;
    }
    bool haveFormat = false, haveData = false;
    ULONGLONG dataStart = 0;
    ULONGLONG position = 12;
    while (position + 8 <= fileSize) {
        HRESULT hr = ReadAt(file.get(), position, header, 8);
        if (FAILED(hr)) {
            *problem = L"cannot read " + path;
            return hr;
        }
        const DWORD chunkSize = ReadLe32(header + 4);
        const ULONGLONG body = position + 8;
        if (chunkSize > fileSize - body) {
            *problem = path + L": chunk '" + std::wstring(header, header + 4) + L"' runs past the end of the file";
            return kBadFormat;
        }
        // A second format or data chunk leaves no one reading of the file:
        // which format the samples have, or which samples are the sound.
        const bool isFormat = memcmp(header, "fmt ", 4) == 0, isData = memcmp(header, "data", 4) == 0;
        if ((isFormat && haveFormat) || (isData && haveData)) {
            *problem = path + (isFormat ? L": more than one format chunk" : L": more than one data chunk");
            return kBadFormat;
        }
        if (isFormat) {
            if (chunkSize < 16 || chunkSize > kLargestFormatChunk) {
                *problem = path + L": format chunk of " + std::to_wstring(chunkSize) +
                           L" bytes (a format block takes 16 to " + std::to_wstring(kLargestFormatChunk) + L")";
                return kBadFormat;
            }
            format.storedFormat.resize(chunkSize);
            hr = ReadAt(file.get(), body, format.storedFormat.data(), chunkSize);
            if (FAILED(hr)) {
                *problem = L"cannot read " + path;
                return hr;
            }
            format.format = format.storedFormat;
            if (format.format.size() < sizeof(WAVEFORMATEX)) format.format.resize(sizeof(WAVEFORMATEX), 0);
            haveFormat = true;
        } else if (isData) {
            dataStart = body;
            dataSize = chunkSize;
            haveData = true;
        }
        position = body + chunkSize + (chunkSize & 1);  // chunks are word-aligned
    }
    if (!haveFormat || !haveData) {
        *problem = path + (haveFormat ? L": no data chunk" : L": no format chunk");
        return kBadFormat;
    }
    // Both divide every position and time computed from the data.
    if (!format.Format()->nBlockAlign || !format.Format()->nAvgBytesPerSec) {
        *problem = path + L": the format gives a frame or byte rate of 0";
        return kBadFormat;
    }

    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(dataStart);
    if (!SetFilePointerEx(file.get(), to, nullptr, FILE_BEGIN)) {
        *problem = L"cannot read " + path;
        return LastError();
    }
    dataLeft = dataSize;
    return S_OK;
}

HRESULT WavReader::Read(BYTE* buffer, DWORD size, DWORD* read) {
    *read = 0;
    const DWORD wanted = size < dataLeft ? size : dataLeft;
    while (*read < wanted) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer + *read, wanted - *read, &got, nullptr)) return LastError();
        // The file was cut short since it was opened.
        if (got == 0) return HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);
        *read += got;
    }
    dataLeft -= wanted;
    return S_OK;
}

HRESULT ReadWav(const std::wstring& path, WavFile* wav, std::wstring* problem) {
    WavReader reader;
    HRESULT hr = reader.Open(path, problem);
    if (FAILED(hr)) return hr;
    static_cast<WavFormat&>(*wav) = reader.Format();
    try {
        wav->data.resize(reader.DataSize());
    } catch (const std::exception&) {  // bad_alloc, or length_error beyond the address space
        *problem = path + L" does not fit in memory";
        return E_OUTOFMEMORY;
    }
    DWORD read = 0;
    hr = reader.Read(wav->data.data(), reader.DataSize(), &read);
    if (FAILED(hr)) *problem = L"cannot read " + path;
    return hr;
}

bool SameFile(const std::wstring& a, const std::wstring& b) {
    auto identify = [](const std::wstring& path, BY_HANDLE_FILE_INFORMATION* info) {
        // No access asked: only the file's identity is read.
        const FileHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        return file && GetFileInformationByHandle(file.get(), info);
    };
    BY_HANDLE_FILE_INFORMATION first, second;
    return identify(a, &first) && identify(b, &second) && first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

WavWriter::~WavWriter() {
    if (temporaryPath.empty()) return;
    file.reset();
    DeleteFileW(temporaryPath.c_str());
}

HRESULT WavWriter::Create(const std::wstring& destination, const std::vector<BYTE>& storedFormat) {
    // The temporary file goes in the destination's folder, so that putting it
    // in place is a rename, never a copy.
    wchar_t full[MAX_PATH];
    wchar_t* name = nullptr;
    const DWORD length = GetFullPathNameW(destination.c_str(), MAX_PATH, full, &name);
    if (length == 0) return LastError();
    if (length >= MAX_PATH || !name) return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
    const std::wstring folder(full, name);
    wchar_t temporary[MAX_PATH];
    if (!GetTempFileNameW(folder.c_str(), L"dsp", 0, temporary)) return LastError();
    temporaryPath = temporary;
    path = full;
    file.reset(CreateFileW(temporary, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr));
    if (!file) return LastError();

    formatSize = static_cast<DWORD>(storedFormat.size());
    std::vector<BYTE> header(DataSizeField() + 4, 0);
    memcpy(&header[0], "RIFF", 4);  // the size fields are written by Commit
    memcpy(&header[8], "WAVE", 4);
    memcpy(&header[12], "fmt ", 4);
    PutLe32(&header[16], formatSize);
    memcpy(&header[20], storedFormat.data(), formatSize);
    memcpy(&header[DataSizeField() - 4], "data", 4);
    dataSize = 0;
    return WriteAll(file.get(), header.data(), static_cast<DWORD>(header.size()));
}

HRESULT WavWriter::Append(const BYTE* data, DWORD size) {
    if (!file) return E_UNEXPECTED;
    if (RiffSize(formatSize, dataSize + size) > 0xFFFFFFFFu) return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
    const HRESULT hr = WriteAll(file.get(), data, size);
    if (SUCCEEDED(hr)) dataSize += size;
    return hr;
}

DWORD WavWriter::DataSizeField() const { return 12 + 8 + formatSize + (formatSize & 1) + 4; }

HRESULT WavWriter::Commit() {
    if (!file) return E_UNEXPECTED;
    const BYTE pad = 0;
    HRESULT hr = dataSize & 1 ? WriteAll(file.get(), &pad, 1) : S_OK;
    if (SUCCEEDED(hr)) hr = WriteLe32At(file.get(), 4, static_cast<DWORD>(RiffSize(formatSize, dataSize)));
    if (SUCCEEDED(hr)) hr = WriteLe32At(file.get(), DataSizeField(), static_cast<DWORD>(dataSize));
    if (FAILED(hr)) return hr;
    file.reset();
    if (!MoveFileExW(temporaryPath.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return LastError();
    temporaryPath.clear();
    return S_OK;
}

}  // namespace dsphost
