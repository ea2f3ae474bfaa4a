// RIFF WAVE files: the "fmt " chunk and the "data" chunk, nothing else kept.
// Sample data is read and written in pieces, so that a file of any length
// plays in a few buffers' worth of memory.
#pragma once

#include <windows.h>
#include <mmreg.h>

#include <string>
#include <vector>

#include "common/unique_handle.h"

namespace dsphost {

using gainlet::FileHandle;

// A WAV file's format block (the "fmt " chunk, at least a WAVEFORMATEX).
// Its frame size and byte rate are never 0.
struct WavFormat {
    std::vector<BYTE> format;        // as stored (a 16-byte block gets cbSize 0 appended)
    std::vector<BYTE> storedFormat;  // the chunk exactly as read, written back unchanged
    const WAVEFORMATEX* Format() const { return reinterpret_cast<const WAVEFORMATEX*>(format.data()); }
};

// A whole WAV file in memory, for the settings mode that loops it.
struct WavFile : WavFormat {
    std::vector<BYTE> data;
};

class WavReader {
public:
    // Finds the format and data chunks, exactly one of each. Failures: the
    // file's own error, or HRESULT_FROM_WIN32(ERROR_BAD_FORMAT) with problem
    // saying what is wrong.
    HRESULT Open(const std::wstring& path, std::wstring* problem);
    const WavFormat& Format() const { return format; }
    DWORD DataSize() const { return dataSize; }
    // The next size bytes of sample data, fewer only at the end of the data
    // chunk (*read 0 at its end).
    HRESULT Read(BYTE* buffer, DWORD size, DWORD* read);
    void Close() { file.reset(); }

private:
    FileHandle file;
    WavFormat format;
    DWORD dataSize = 0;
    DWORD dataLeft = 0;
};

// Whether both paths name one existing file, however each is spelled (case,
// short names, relative parts): the volume and the file index decide.
bool SameFile(const std::wstring& a, const std::wstring& b);

// Failures as WavReader::Open, and E_OUTOFMEMORY.
HRESULT ReadWav(const std::wstring& path, WavFile* wav, std::wstring* problem);

// Writes a WAV file beside its destination and puts it in place only once it
// is complete: a failed run leaves no half-written file, and a file of the
// same name (even the input being read) stays as it was until then.
class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter();  // an uncommitted file is deleted
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    HRESULT Create(const std::wstring& path, const std::vector<BYTE>& storedFormat);
    HRESULT Append(const BYTE* data, DWORD size);
    // Completes the chunk sizes and replaces path with the file.
    HRESULT Commit();

private:
    DWORD DataSizeField() const;  // file offset of the data chunk's size

    std::wstring path, temporaryPath;
    FileHandle file;
    DWORD formatSize = 0;
    ULONGLONG dataSize = 0;
};

}  // namespace dsphost
