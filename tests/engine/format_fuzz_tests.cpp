// Random and truncated format blocks, each placed so that it ends right
// before an inaccessible page: negotiation must never read past cbFormat,
// and every type it accepts must be one the acceptance table allows and
// sample processing can stream without touching bytes it was not given.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "dsp_test_support.h"

namespace gainlet::test {
namespace {

constexpr int kIterations = 1000000;
constexpr DWORD kCanary = 64;  // bytes watched behind the output buffer's end

// Readable and writable bytes between two inaccessible pages.
class GuardedRegion {
public:
    explicit GuardedRegion(size_t size) {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        const size_t page = info.dwPageSize;
        span = (size + page - 1) / page * page;
        base = static_cast<BYTE*>(VirtualAlloc(nullptr, span + 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        ok = base && VirtualProtect(base, page, PAGE_NOACCESS, &old) &&
             VirtualProtect(base + page + span, page, PAGE_NOACCESS, &old);
        start = base + page;
    }
    ~GuardedRegion() {
        if (base) VirtualFree(base, 0, MEM_RELEASE);
    }
    GuardedRegion(const GuardedRegion&) = delete;
    GuardedRegion& operator=(const GuardedRegion&) = delete;

    BYTE* Start() const { return start; }
    // Where size bytes must begin so that the last one is the last readable byte.
    BYTE* EndingAt(size_t size) const { return start + span - size; }
    size_t Size() const { return span; }
    bool ok = false;

private:
    BYTE* base = nullptr;
    BYTE* start = nullptr;
    size_t span = 0;
};

class Random {
public:
    explicit Random(uint64_t seed) : state(seed) {}
    uint32_t Next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<uint32_t>(state >> 11);
    }
    uint32_t Below(uint32_t n) { return Next() % n; }
    template <class T>
    T Pick(std::initializer_list<T> values) {
        return values.begin()[Below(static_cast<uint32_t>(values.size()))];
    }

private:
    uint64_t state;
};

// Whether the shared table of accepted layouts allows the block.
bool TableAllows(const BYTE* block, size_t size) {
    if (!block || size < sizeof(WAVEFORMATEX)) return false;
    WAVEFORMATEXTENSIBLE w{};
    std::memcpy(&w, block, size < sizeof w ? size : sizeof w);
    const WAVEFORMATEX& f = w.Format;
    if (!f.nChannels || !f.nSamplesPerSec || !f.nAvgBytesPerSec || !f.nBlockAlign) return false;
    if (f.nBlockAlign < f.nChannels * (f.wBitsPerSample / 8)) return false;
    const bool extensibleKnown = size >= sizeof w && (IsEqualGUID(w.SubFormat, MEDIASUBTYPE_PCM) ||
                                                      IsEqualGUID(w.SubFormat, MEDIASUBTYPE_IEEE_FLOAT));
    for (const WaveFormat& layout : AcceptedLayouts()) {
        if (layout.tag != f.wFormatTag || layout.bits != f.wBitsPerSample) continue;
        if (layout.tag != WAVE_FORMAT_EXTENSIBLE) return true;
        if (extensibleKnown && layout.validBits == w.Samples.wValidBitsPerSample) return true;
    }
    return false;
}

// A block near the accepted ones, then bent: fields set to telling values,
// random bytes overwritten, the block cut short or replaced by noise.
size_t MakeBlock(Random& rnd, BYTE (&bytes)[64]) {
    WAVEFORMATEXTENSIBLE w{};
    const WaveFormat& base = AcceptedLayouts()[rnd.Below(static_cast<uint32_t>(AcceptedLayouts().size()))];
    w.Format.wFormatTag = base.tag;
    w.Format.wBitsPerSample = base.bits;
    w.Format.nChannels = static_cast<WORD>(1 + rnd.Below(8));
    w.Format.nSamplesPerSec = rnd.Pick<DWORD>({8000, 44100, 48000, 192000});
    w.Format.nBlockAlign = static_cast<WORD>(w.Format.nChannels * base.bits / 8);
    w.Format.nAvgBytesPerSec = w.Format.nSamplesPerSec * w.Format.nBlockAlign;
    w.Samples.wValidBitsPerSample = base.validBits;
    w.SubFormat = rnd.Below(2) ? MEDIASUBTYPE_PCM : MEDIASUBTYPE_IEEE_FLOAT;
    w.Format.cbSize = 22;
    size_t size = base.tag == WAVE_FORMAT_EXTENSIBLE ? sizeof w : sizeof(WAVEFORMATEX);

    for (uint32_t edits = rnd.Below(4); edits; --edits) {
        switch (rnd.Below(9)) {
        case 0: w.Format.wFormatTag = rnd.Pick<WORD>({0, 1, 2, 3, 0xFFFE, 0xFFFF}); break;
        case 1: w.Format.wBitsPerSample = rnd.Pick<WORD>({0, 4, 8, 12, 16, 20, 24, 32, 64}); break;
        case 2: w.Samples.wValidBitsPerSample = rnd.Pick<WORD>({0, 7, 8, 12, 16, 20, 24, 31, 32, 33}); break;
        case 3: w.Format.nChannels = rnd.Pick<WORD>({0, 1, 2, 255, 16384, 65535}); break;
        case 4: w.Format.nBlockAlign = static_cast<WORD>(rnd.Below(40)); break;
        case 5: w.Format.nAvgBytesPerSec = rnd.Pick<DWORD>({0, 1, 0x80000000u, 0xFFFFFFFFu}); break;
        case 6: w.Format.nSamplesPerSec = rnd.Pick<DWORD>({0, 1, 0xFFFFFFFFu}); break;
        case 7: w.SubFormat.Data1 = rnd.Pick<unsigned long>({0, 1, 2, 3}); break;
        default: reinterpret_cast<BYTE*>(&w)[rnd.Below(sizeof w)] = static_cast<BYTE>(rnd.Next()); break;
        }
    }
    std::memcpy(bytes, &w, sizeof w);

    switch (rnd.Below(6)) {
    case 0: size = rnd.Below(static_cast<uint32_t>(size) + 1); break;  // truncated
    case 1: size = rnd.Below(sizeof bytes + 1); break;                 // any length
    case 2:                                                            // noise
        size = rnd.Below(sizeof bytes + 1);
        for (BYTE& b : bytes) b = static_cast<BYTE>(rnd.Next());
        break;
    default: break;
    }
    return size;
}

// Streams three frames and a stray byte (four frames of one byte) between
// guard pages, flush against the start or the end of both regions: the
// object may touch only the bytes it was given, and writes whole frames.
void StreamThrough(IMediaObject* dsp, const WAVEFORMATEX& f, bool flushEnd, const GuardedRegion& source,
                   const GuardedRegion& destination) {
    const DWORD bytes = 3u * f.nBlockAlign + 1;
    TestBuffer in(0, bytes);
    TestBuffer out(0);
    in.external = flushEnd ? source.EndingAt(bytes) : source.Start();
    out.external = flushEnd ? destination.EndingAt(bytes) : destination.Start();
    out.maxLength = bytes;
    if (!flushEnd) std::fill(out.external + bytes, out.external + bytes + kCanary, BYTE{0xA5});

    ASSERT_EQ(dsp->ProcessInput(0, &in, 0, 0, 0), S_OK);
    DMO_OUTPUT_DATA_BUFFER element{&out, 0, 0, 0};
    ASSERT_EQ(dsp->ProcessOutput(0, 1, &element, nullptr), S_OK);
    EXPECT_EQ(out.length, bytes / f.nBlockAlign * f.nChannels * (f.wBitsPerSample / 8));
    if (flushEnd) return;
    for (DWORD i = bytes; i < bytes + kCanary; ++i) ASSERT_EQ(out.external[i], 0xA5) << "written past the buffer";
}

TEST(FormatFuzz, GuardedBlocksNeverFaultAndAcceptOnlyTheTable) {
    GuardedRegion blocks(64);
    GuardedRegion source(3 * 65535 + 1);
    GuardedRegion destination(3 * 65535 + 1 + kCanary);
    ASSERT_TRUE(blocks.ok && source.ok && destination.ok);
    Random rnd(0x5eed1234abcdULL);
    auto dsp = CreateDsp();
    ComPtr<IGainlet> gainlet;
    ASSERT_EQ(dsp.As(&gainlet), S_OK);
    ASSERT_EQ(gainlet->SetGain(0.0f), S_OK);

    MediaType partner(Extensible(24, 24, MEDIASUBTYPE_PCM, 2, 48000));
    const DMO_MEDIA_TYPE unset{};
    for (size_t i = 0; i < source.Size(); ++i) source.Start()[i] = static_cast<BYTE>(rnd.Next());

    int accepted = 0, acceptedWithPartner = 0;
    for (int i = 0; i < kIterations; ++i) {
        BYTE bytes[64];
        const size_t size = MakeBlock(rnd, bytes);
        DMO_MEDIA_TYPE type{};
        type.majortype = MEDIATYPE_Audio;
        type.subtype = MEDIASUBTYPE_PCM;
        type.formattype = rnd.Below(50) ? FORMAT_WaveFormatEx : GUID_NULL;
        type.cbFormat = static_cast<ULONG>(size);
        type.pbFormat = nullptr;
        if (size || rnd.Below(2)) {
            type.pbFormat = blocks.EndingAt(size);
            std::memcpy(type.pbFormat, bytes, size);
        }

        const bool allowed = IsEqualGUID(type.formattype, FORMAT_WaveFormatEx) && TableAllows(type.pbFormat, size);
        const HRESULT verdict = CGainlet::VerifyMediaType(&type, &unset);
        ASSERT_EQ(verdict == S_OK, allowed) << "iteration " << i << ", " << size << " bytes";
        if (verdict != S_OK) {
            ASSERT_EQ(verdict, kTypeNotAccepted);
        }

        const HRESULT matched = CGainlet::VerifyMediaType(&type, partner.get());
        if (matched == S_OK) ++acceptedWithPartner;
        ASSERT_TRUE(matched == kTypeNotAccepted || allowed) << "iteration " << i;

        ASSERT_EQ(dsp->SetInputType(0, &type, DMO_SET_TYPEF_TEST_ONLY), allowed ? S_OK : S_FALSE);
        ASSERT_EQ(dsp->SetInputType(0, &type, 0), allowed ? S_OK : kTypeNotAccepted);
        if (!allowed) continue;
        ++accepted;
        ASSERT_EQ(dsp->SetOutputType(0, &type, 0), S_OK);
        WAVEFORMATEX header;
        std::memcpy(&header, bytes, sizeof header);
        StreamThrough(dsp.Get(), header, accepted % 2 == 0, source, destination);
        if (HasFatalFailure()) return;
        ASSERT_EQ(dsp->SetOutputType(0, nullptr, DMO_SET_TYPEF_CLEAR), S_OK);
    }
    std::printf("[          ] %d blocks, %d accepted, %d matching the partner\n", kIterations, accepted,
                acceptedWithPartner);
    EXPECT_GT(accepted, kIterations / 10) << "the generator must reach the accepted layouts";
    EXPECT_GT(acceptedWithPartner, 0);
}

}  // namespace
}  // namespace gainlet::test
