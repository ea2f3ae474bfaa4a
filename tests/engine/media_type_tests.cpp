// Media type negotiation through IMediaObject: what each side offers, which
// formats are taken or refused, and how the two sides are kept alike.
#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "base/shared_gain_state.h"
#include "common/unique_handle.h"
#include "dsp_test_support.h"

namespace gainlet::test {
namespace {

// A wave subformat the object does not take: ADPCM's.
const GUID kOtherSubFormat = {DEFINE_WAVEFORMATEX_GUID(WAVE_FORMAT_ADPCM)};

using Tweak = std::function<void(DMO_MEDIA_TYPE*)>;

struct AcceptanceCase {
    const char* name;
    Format format;
    bool accepted;
    Tweak tweak = nullptr;
};

Format With(Format f, const std::function<void(Format&)>& change) {
    change(f);
    return f;
}

const AcceptanceCase kAcceptance[] = {
    {"pcm 8", Pcm(8), true},
    {"pcm 16", Pcm(16), true},
    {"pcm 16 mono 8 kHz", Pcm(16, 1, 8000), true},
    {"pcm 24 needs extensible", Pcm(24), false},
    {"pcm 32 needs extensible", Pcm(32), false},
    {"pcm 12", Pcm(12), false},
    {"float 32", Float32(), true},
    {"float tag with 16 bits", With(Float32(), [](Format& f) { f.bits = 16; }), false},
    {"float tag with 64 bits", With(Float32(), [](Format& f) { f.bits = 64; }), false},
    {"extensible pcm 8/8", Extensible(8, 8), true},
    {"extensible pcm 8/7", Extensible(8, 7), false},
    {"extensible pcm 16/16", Extensible(16, 16), true},
    {"extensible pcm 16/12", Extensible(16, 12), false},
    {"extensible pcm 24/24", Extensible(24, 24), true},
    {"extensible pcm 24/20", Extensible(24, 20), true},
    {"extensible pcm 24/16", Extensible(24, 16), true},
    {"extensible pcm 24/8", Extensible(24, 8), false},
    {"extensible pcm 24/32", Extensible(24, 32), false},
    {"extensible pcm 32/32", Extensible(32, 32), true},
    {"extensible pcm 32/24", Extensible(32, 24), true},
    {"extensible pcm 32/20", Extensible(32, 20), true},
    {"extensible pcm 32/16", Extensible(32, 16), true},
    {"extensible pcm 32/31", Extensible(32, 31), false},
    {"extensible float 32/32", Extensible(32, 32, MEDIASUBTYPE_IEEE_FLOAT), true},
    {"extensible float 16/16", Extensible(16, 16, MEDIASUBTYPE_IEEE_FLOAT), true},
    {"extensible float 24/20", Extensible(24, 20, MEDIASUBTYPE_IEEE_FLOAT), true},
    {"extensible unknown subformat", Extensible(16, 16, kOtherSubFormat), false},
    {"tag 2", With(Pcm(16), [](Format& f) { f.tag = 2; }), false},
    {"no channels", Pcm(16, 0), false},
    {"no rate", Pcm(16, 2, 0), false},
    {"no average rate",
     With(Pcm(16),
          [](Format& f) {
              f.avgBytes = 0;
              f.rate = 0;
          }),
     false},
    {"block align too small for a frame", With(Pcm(16), [](Format& f) { f.blockAlign = 3; }), false},
    {"padded block align", With(Pcm(16), [](Format& f) { f.blockAlign = 8; }), true},
    {"average rate not checked against rate", With(Pcm(16), [](Format& f) { f.avgBytes = 7; }), true},
    {"subtype not checked alone", Pcm(16), true, [](DMO_MEDIA_TYPE* t) { t->subtype = MEDIASUBTYPE_IEEE_FLOAT; }},
    {"extensible valid bits 0", Extensible(16, 16), false,
     [](DMO_MEDIA_TYPE* t) { reinterpret_cast<WAVEFORMATEXTENSIBLE*>(t->pbFormat)->Samples.wValidBitsPerSample = 0; }},
    {"extensible block of 18 bytes", Extensible(16, 16), false, [](DMO_MEDIA_TYPE* t) { t->cbFormat = 18; }},
    {"extensible block of 39 bytes", Extensible(16, 16), false, [](DMO_MEDIA_TYPE* t) { t->cbFormat = 39; }},
    {"block of 17 bytes", Pcm(16), false, [](DMO_MEDIA_TYPE* t) { t->cbFormat = 17; }},
    {"block of 16 bytes", Pcm(16), false, [](DMO_MEDIA_TYPE* t) { t->cbFormat = 16; }},
    {"no block", Pcm(16), false, [](DMO_MEDIA_TYPE* t) { t->cbFormat = 0; }},
    {"null block pointer", Pcm(16), false,
     [](DMO_MEDIA_TYPE* t) { const CoTaskMemPtr<BYTE> block(std::exchange(t->pbFormat, nullptr)); }},
    {"wrong format type", Pcm(16), false, [](DMO_MEDIA_TYPE* t) { t->formattype = GUID_NULL; }},
    {"video major type", Pcm(16), false, [](DMO_MEDIA_TYPE* t) { t->majortype = MEDIATYPE_Video; }},
};

TEST(MediaTypeNegotiation, AcceptanceTableOnBothSides) {
    for (const AcceptanceCase& c : kAcceptance) {
        SCOPED_TRACE(c.name);
        MediaType type(c.format);
        if (c.tweak) c.tweak(type.get());

        auto dsp = CreateDsp();
        EXPECT_EQ(dsp->SetInputType(0, type.get(), DMO_SET_TYPEF_TEST_ONLY), c.accepted ? S_OK : S_FALSE);
        EXPECT_EQ(dsp->SetOutputType(0, type.get(), DMO_SET_TYPEF_TEST_ONLY), c.accepted ? S_OK : S_FALSE);
        MediaType current;
        EXPECT_EQ(dsp->GetInputCurrentType(0, current.get()), kTypeNotSet) << "test only sets nothing";

        const HRESULT expected = c.accepted ? S_OK : kTypeNotAccepted;
        EXPECT_EQ(dsp->SetInputType(0, type.get(), 0), expected);
        auto other = CreateDsp();
        EXPECT_EQ(other->SetOutputType(0, type.get(), 0), expected);
        if (!c.accepted) {
            EXPECT_EQ(dsp->GetInputCurrentType(0, current.get()), kTypeNotSet);
            EXPECT_EQ(other->GetOutputCurrentType(0, current.get()), kTypeNotSet);
        }
    }
}

TEST(MediaTypeNegotiation, FreshObjectOffersPartialAudioType) {
    auto dsp = CreateDsp();
    for (auto get : {&IMediaObject::GetInputType, &IMediaObject::GetOutputType}) {
        MediaType offered;
        offered->cbFormat = 99;  // must be overwritten
        ASSERT_EQ(((*dsp.Get()).*get)(0, 0, offered.get()), S_OK);
        EXPECT_EQ(offered->majortype, MEDIATYPE_Audio);
        EXPECT_EQ(offered->subtype, MEDIASUBTYPE_PCM);
        EXPECT_EQ(offered->formattype, GUID_NULL);
        EXPECT_EQ(offered->cbFormat, 0u);
        EXPECT_EQ(offered->pbFormat, nullptr);
        EXPECT_EQ(offered->pUnk, nullptr);
        EXPECT_EQ(offered->lSampleSize, 0u);
    }
}

TEST(MediaTypeNegotiation, RefusalsOfTheGetters) {
    auto dsp = CreateDsp();
    MediaType out;
    DWORD a = 7, b = 7, c = 7;
    struct {
        const char* name;
        HRESULT result;
        HRESULT expected;
    } const rows[] = {
        {"input type, stream 1", dsp->GetInputType(1, 0, out.get()), kInvalidStreamIndex},
        {"input type, stream before type index", dsp->GetInputType(1, 1, nullptr), kInvalidStreamIndex},
        {"input type, type index 1", dsp->GetInputType(0, 1, out.get()), kNoMoreItems},
        {"input type, type index before pointer", dsp->GetInputType(0, 1, nullptr), kNoMoreItems},
        {"input type, null", dsp->GetInputType(0, 0, nullptr), E_POINTER},
        {"output type, stream 1", dsp->GetOutputType(1, 0, out.get()), kInvalidStreamIndex},
        {"output type, type index 1", dsp->GetOutputType(0, 1, nullptr), kNoMoreItems},
        {"output type, null", dsp->GetOutputType(0, 0, nullptr), E_POINTER},
        {"input current, stream 1", dsp->GetInputCurrentType(1, nullptr), kInvalidStreamIndex},
        {"input current, null", dsp->GetInputCurrentType(0, nullptr), E_POINTER},
        {"input current, unset", dsp->GetInputCurrentType(0, out.get()), kTypeNotSet},
        {"output current, stream 1", dsp->GetOutputCurrentType(1, nullptr), kInvalidStreamIndex},
        {"output current, null", dsp->GetOutputCurrentType(0, nullptr), E_POINTER},
        {"output current, unset", dsp->GetOutputCurrentType(0, out.get()), kTypeNotSet},
        {"input size, stream 1", dsp->GetInputSizeInfo(1, nullptr, nullptr, nullptr), kInvalidStreamIndex},
        {"input size, null size", dsp->GetInputSizeInfo(0, nullptr, &b, &c), E_POINTER},
        {"input size, null lookahead", dsp->GetInputSizeInfo(0, &a, nullptr, &c), E_POINTER},
        {"input size, null alignment", dsp->GetInputSizeInfo(0, &a, &b, nullptr), E_POINTER},
        {"input size, unset", dsp->GetInputSizeInfo(0, &a, &b, &c), kTypeNotSet},
        {"output size, stream 1", dsp->GetOutputSizeInfo(1, nullptr, nullptr), kInvalidStreamIndex},
        {"output size, null size", dsp->GetOutputSizeInfo(0, nullptr, &c), E_POINTER},
        {"output size, null alignment", dsp->GetOutputSizeInfo(0, &a, nullptr), E_POINTER},
        {"output size, unset", dsp->GetOutputSizeInfo(0, &a, &c), kTypeNotSet},
        {"set input, stream 1", dsp->SetInputType(1, nullptr, DMO_SET_TYPEF_CLEAR), kInvalidStreamIndex},
        {"set input, null", dsp->SetInputType(0, nullptr, 0), E_POINTER},
        {"set input, null under test", dsp->SetInputType(0, nullptr, DMO_SET_TYPEF_TEST_ONLY), E_POINTER},
        {"set output, stream 1", dsp->SetOutputType(1, nullptr, DMO_SET_TYPEF_CLEAR), kInvalidStreamIndex},
        {"set output, null", dsp->SetOutputType(0, nullptr, 0), E_POINTER},
    };
    for (const auto& row : rows) EXPECT_EQ(row.result, row.expected) << row.name;
    EXPECT_EQ(a, 7u);
    EXPECT_EQ(b, 7u);
    EXPECT_EQ(c, 7u);
}

TEST(MediaTypeNegotiation, EachSideOffersAndReportsTheOther) {
    // The alignment is one of a buffer's address, which DirectShow allocators
    // take only as a power of two: the largest one that divides the frame.
    const struct {
        const char* name;
        Format format;
        DWORD alignment;
    } rows[] = {
        {"pcm 16 stereo, 4-byte frame", Pcm(16, 2, 44100), 4},
        {"float stereo, 8-byte frame", Float32(), 8},
        {"extensible 24 stereo, 6-byte frame", Extensible(24, 24), 2},
        {"pcm 16 six channels, 12-byte frame", Pcm(16, 6), 4},
        {"extensible 24 mono, 3-byte frame", Extensible(24, 24, MEDIASUBTYPE_PCM, 1), 1},
    };
    for (const auto& row : rows) {
        MediaType type(row.format);
        type->lSampleSize = 1234;
        for (bool inputFirst : {true, false}) {
            SCOPED_TRACE(::testing::Message() << row.name << (inputFirst ? ", input first" : ", output first"));
            auto dsp = CreateDsp();
            ASSERT_EQ(inputFirst ? dsp->SetInputType(0, type.get(), 0) : dsp->SetOutputType(0, type.get(), 0), S_OK);

            MediaType offered, current;
            ASSERT_EQ(inputFirst ? dsp->GetOutputType(0, 0, offered.get()) : dsp->GetInputType(0, 0, offered.get()),
                      S_OK);
            EXPECT_TRUE(SameMediaType(*offered.get(), *type.get()));
            EXPECT_NE(offered->pbFormat, type->pbFormat) << "a copy, not the caller's block";
            ASSERT_EQ(
                inputFirst ? dsp->GetInputCurrentType(0, current.get()) : dsp->GetOutputCurrentType(0, current.get()),
                S_OK);
            EXPECT_TRUE(SameMediaType(*current.get(), *type.get()));

            DWORD size = 0, lookahead = 9, alignment = 0;
            if (inputFirst) {
                ASSERT_EQ(dsp->GetInputSizeInfo(0, &size, &lookahead, &alignment), S_OK);
                EXPECT_EQ(lookahead, 0u);
            } else {
                ASSERT_EQ(dsp->GetOutputSizeInfo(0, &size, &alignment), S_OK);
            }
            EXPECT_EQ(size, 1234u);
            EXPECT_EQ(alignment, row.alignment);
        }
    }
}

TEST(MediaTypeNegotiation, PartnerMustDescribeTheSameFormat) {
    using Change = std::function<void(DMO_MEDIA_TYPE*)>;
    auto wave = [](DMO_MEDIA_TYPE* t) { return reinterpret_cast<WAVEFORMATEXTENSIBLE*>(t->pbFormat); };
    const struct {
        const char* name;
        bool accepted;
        Change change;
    } rows[] = {
        {"identical", true, [](DMO_MEDIA_TYPE*) {}},
        {"valid bits differ", true, [&](DMO_MEDIA_TYPE* t) { wave(t)->Samples.wValidBitsPerSample = 20; }},
        {"channel mask differs", true, [&](DMO_MEDIA_TYPE* t) { wave(t)->dwChannelMask = 0; }},
        {"cbSize differs", true, [&](DMO_MEDIA_TYPE* t) { wave(t)->Format.cbSize = 0; }},
        {"sample size differs", true, [](DMO_MEDIA_TYPE* t) { t->lSampleSize = 1; }},
        {"rate differs", false, [&](DMO_MEDIA_TYPE* t) { wave(t)->Format.nSamplesPerSec = 44100; }},
        {"channels differ", false, [&](DMO_MEDIA_TYPE* t) { wave(t)->Format.nChannels = 1; }},
        {"average rate differs", false, [&](DMO_MEDIA_TYPE* t) { wave(t)->Format.nAvgBytesPerSec += 1; }},
        {"block align differs", false, [&](DMO_MEDIA_TYPE* t) { wave(t)->Format.nBlockAlign = 12; }},
        {"container differs", false, [&](DMO_MEDIA_TYPE* t) { wave(t)->Format.wBitsPerSample = 32; }},
        {"subformat differs", false, [&](DMO_MEDIA_TYPE* t) { wave(t)->SubFormat = MEDIASUBTYPE_IEEE_FLOAT; }},
        {"subtype differs", false, [](DMO_MEDIA_TYPE* t) { t->subtype = MEDIASUBTYPE_IEEE_FLOAT; }},
    };
    const Format base = Extensible(24, 24, MEDIASUBTYPE_PCM, 2, 48000);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        MediaType held(base);
        MediaType proposed(base);
        row.change(proposed.get());
        for (bool inputHeld : {true, false}) {
            auto dsp = CreateDsp();
            ASSERT_EQ(inputHeld ? dsp->SetInputType(0, held.get(), 0) : dsp->SetOutputType(0, held.get(), 0), S_OK);
            auto set = [&](DWORD flags) {
                return inputHeld ? dsp->SetOutputType(0, proposed.get(), flags)
                                 : dsp->SetInputType(0, proposed.get(), flags);
            };
            EXPECT_EQ(set(DMO_SET_TYPEF_TEST_ONLY), row.accepted ? S_OK : S_FALSE);
            EXPECT_EQ(set(0), row.accepted ? S_OK : kTypeNotAccepted);
        }
    }
    // A different format tag with otherwise equal fields.
    MediaType pcm32(Float32());
    MediaType ext32(Extensible(32, 32, MEDIASUBTYPE_IEEE_FLOAT));
    auto dsp = CreateDsp();
    ASSERT_EQ(dsp->SetInputType(0, pcm32.get(), 0), S_OK);
    EXPECT_EQ(dsp->SetOutputType(0, ext32.get(), 0), kTypeNotAccepted);
}

TEST(MediaTypeNegotiation, ChangingFormatTakesAClearOfTheOtherSide) {
    MediaType at48(Pcm(16, 2, 48000));
    MediaType at44(Pcm(16, 2, 44100));
    auto dsp = CreateDsp();
    ASSERT_EQ(dsp->SetInputType(0, at48.get(), 0), S_OK);
    EXPECT_EQ(dsp->SetOutputType(0, at44.get(), 0), kTypeNotAccepted);
    EXPECT_EQ(dsp->SetOutputType(0, at44.get(), DMO_SET_TYPEF_TEST_ONLY), S_FALSE);
    ASSERT_EQ(dsp->SetOutputType(0, at48.get(), 0), S_OK);

    EXPECT_EQ(dsp->SetInputType(0, at44.get(), 0), kTypeNotAccepted);
    ASSERT_EQ(dsp->SetOutputType(0, nullptr, DMO_SET_TYPEF_CLEAR), S_OK);
    {
        MediaType current;
        EXPECT_EQ(dsp->GetOutputCurrentType(0, current.get()), kTypeNotSet);
        EXPECT_EQ(dsp->GetInputCurrentType(0, current.get()), S_OK) << "clearing one side keeps the other";
    }
    EXPECT_EQ(dsp->SetInputType(0, at44.get(), 0), S_OK);
}

TEST(MediaTypeNegotiation, ClearAndOtherFlags) {
    MediaType type(Pcm(16));
    MediaType other(Pcm(8));
    auto dsp = CreateDsp();
    MediaType current;

    ASSERT_EQ(dsp->SetInputType(0, type.get(), 0), S_OK);
    EXPECT_EQ(dsp->SetInputType(0, nullptr, DMO_SET_TYPEF_CLEAR), S_OK);
    EXPECT_EQ(dsp->GetInputCurrentType(0, current.get()), kTypeNotSet);

    ASSERT_EQ(dsp->SetOutputType(0, type.get(), 0), S_OK);
    EXPECT_EQ(dsp->SetOutputType(0, type.get(), DMO_SET_TYPEF_TEST_ONLY | DMO_SET_TYPEF_CLEAR), S_OK);
    EXPECT_EQ(dsp->GetOutputCurrentType(0, current.get()), kTypeNotSet) << "test and clear clears";

    // An unknown flag bit tests like TEST_ONLY when the type is acceptable,
    // but a refusal is then a plain refusal.
    EXPECT_EQ(dsp->SetInputType(0, type.get(), 4), S_OK);
    EXPECT_EQ(dsp->GetInputCurrentType(0, current.get()), kTypeNotSet);
    ASSERT_EQ(dsp->SetOutputType(0, type.get(), 0), S_OK);
    EXPECT_EQ(dsp->SetInputType(0, other.get(), 4), kTypeNotAccepted);
}

// A type may carry a host's format object, whose AddRef (when the object
// copies the type) and Release (when it frees one) can call straight back
// into the object. Whatever the nested call does, the object must neither
// read a record it no longer holds nor overwrite one without freeing it: in
// the end every format object is back to the host's own reference.
TEST(MediaTypeNegotiation, FormatObjectCallsThatReenterTheObject) {
    struct FormatObject final : IUnknown {
        STDMETHODIMP QueryInterface(REFIID, void** ppv) override {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        STDMETHODIMP_(ULONG) AddRef() override {
            const ULONG now = ++refs;
            if (onAddRef) std::exchange(onAddRef, nullptr)();
            return now;
        }
        STDMETHODIMP_(ULONG) Release() override {
            const ULONG left = --refs;
            if (onRelease) std::exchange(onRelease, nullptr)();
            return left;
        }
        ULONG refs = 1;
        std::function<void()> onAddRef, onRelease;
    };

    enum class Hook { kAddRefOfTheCopy, kReleaseOfTheStoredType };
    enum class Nested { kClear, kSetAnother };
    const struct {
        const char* name;
        Hook hook;
        Nested nested;
        bool setWhenReentered;  // the outer call sets a type (else it clears)
        HRESULT result;
        DWORD currentRate;  // of the type held afterwards; 0: none
    } rows[] = {
        {"clear inside the release of the type a clear frees", Hook::kReleaseOfTheStoredType, Nested::kClear, false,
         S_OK, 0},
        {"clear inside the release of the type a new one replaces", Hook::kReleaseOfTheStoredType, Nested::kClear, true,
         S_OK, 0},
        {"another type set inside the release of the type a new one replaces", Hook::kReleaseOfTheStoredType,
         Nested::kSetAnother, true, S_OK, 8000},
        {"clear inside the copy of the new type", Hook::kAddRefOfTheCopy, Nested::kClear, true, kChangedState, 0},
        {"another type set inside the copy of the new type", Hook::kAddRefOfTheCopy, Nested::kSetAnother, true,
         kChangedState, 8000},
    };

    auto dsp = CreateDsp();
    for (const auto& row : rows) {
        for (bool input : {true, false}) {
            SCOPED_TRACE(::testing::Message() << row.name << (input ? ", input" : ", output"));
            auto set = [&](const DMO_MEDIA_TYPE* t, DWORD flags) {
                return input ? dsp->SetInputType(0, t, flags) : dsp->SetOutputType(0, t, flags);
            };
            auto currentRate = [&] {
                MediaType current;
                const HRESULT hr =
                    input ? dsp->GetInputCurrentType(0, current.get()) : dsp->GetOutputCurrentType(0, current.get());
                return hr == S_OK ? current.Wave()->Format.nSamplesPerSec : 0;
            };
            ASSERT_EQ(dsp->SetInputType(0, nullptr, DMO_SET_TYPEF_CLEAR), S_OK);
            ASSERT_EQ(dsp->SetOutputType(0, nullptr, DMO_SET_TYPEF_CLEAR), S_OK);

            FormatObject stored, incoming, nestedObject;
            MediaType first(Pcm(16, 2, 44100)), second(Pcm(16, 2, 48000)), nested(Pcm(16, 2, 8000));
            first->pUnk = &stored;
            second->pUnk = &incoming;
            nested->pUnk = &nestedObject;
            ASSERT_EQ(set(first.get(), 0), S_OK);

            HRESULT seenInside = E_FAIL;
            auto reenter = [&] {
                seenInside = currentRate() == 0 ? kTypeNotSet : S_OK;
                if (row.nested == Nested::kClear)
                    EXPECT_EQ(set(nullptr, DMO_SET_TYPEF_CLEAR), S_OK);
                else
                    EXPECT_EQ(set(nested.get(), 0), S_OK);
            };
            if (row.hook == Hook::kAddRefOfTheCopy)
                incoming.onAddRef = reenter;
            else
                stored.onRelease = reenter;

            EXPECT_EQ(row.setWhenReentered ? set(second.get(), 0) : set(nullptr, DMO_SET_TYPEF_CLEAR), row.result);
            EXPECT_NE(seenInside, E_FAIL) << "the hook ran";
            if (row.hook == Hook::kReleaseOfTheStoredType && !row.setWhenReentered) {
                EXPECT_EQ(seenInside, kTypeNotSet) << "a type being freed is no longer held";
            }
            EXPECT_EQ(currentRate(), row.currentRate);

            ASSERT_EQ(set(nullptr, DMO_SET_TYPEF_CLEAR), S_OK);
            EXPECT_EQ(stored.refs, 1u);
            EXPECT_EQ(incoming.refs, 1u);
            EXPECT_EQ(nestedObject.refs, 1u) << "a type stored from inside was freed";
            first->pUnk = second->pUnk = nested->pUnk = nullptr;
        }
    }
}

TEST(MediaTypeNegotiation, OnlyAStoredInputTypePublishesItsFormat) {
    auto dsp = CreateDsp();
    auto gainlet = [&] {
        Microsoft::WRL::ComPtr<IGainlet> g;
        EXPECT_EQ(dsp.As(&g), S_OK);
        return g;
    }();
    auto published = [&] {
        DWORD rate = 0, channels = 0, bits = 0;
        BOOL isFloat = 2;
        EXPECT_EQ(gainlet->GetFormatInfo(&rate, &channels, &bits, &isFloat), S_OK);
        return std::vector<DWORD>{rate, channels, bits, static_cast<DWORD>(isFloat)};
    };

    const struct {
        Format format;
        std::vector<DWORD> expected;
    } rows[] = {
        {Pcm(16, 2, 44100), {44100, 2, 16, 0}},
        {Pcm(8, 1, 8000), {8000, 1, 8, 0}},
        {Float32(6, 96000), {96000, 6, 32, 1}},
        {Extensible(32, 24, MEDIASUBTYPE_PCM, 2, 48000), {48000, 2, 24, 0}},
        {Extensible(32, 24, MEDIASUBTYPE_IEEE_FLOAT, 2, 48000), {48000, 2, 32, 1}},
        {Extensible(24, 20, MEDIASUBTYPE_PCM, 4, 22050), {22050, 4, 20, 0}},
    };
    for (const auto& row : rows) {
        MediaType type(row.format);
        ASSERT_EQ(dsp->SetInputType(0, nullptr, DMO_SET_TYPEF_CLEAR), S_OK);
        ASSERT_EQ(dsp->SetInputType(0, type.get(), 0), S_OK);
        EXPECT_EQ(published(), row.expected);
    }

    // Neither test-only, refused, cleared nor output-side calls publish.
    MediaType other(Pcm(8, 1, 11025));
    ASSERT_EQ(dsp->SetInputType(0, nullptr, DMO_SET_TYPEF_CLEAR), S_OK);
    EXPECT_EQ(dsp->SetInputType(0, other.get(), DMO_SET_TYPEF_TEST_ONLY), S_OK);
    EXPECT_EQ(dsp->SetOutputType(0, other.get(), 0), S_OK);
    MediaType refused(Pcm(16, 1, 11025));
    EXPECT_EQ(dsp->SetInputType(0, refused.get(), 0), kTypeNotAccepted);
    EXPECT_EQ(published(), (std::vector<DWORD>{22050, 4, 20, 0}));

    // Destroying the object keeps the last published format.
    gainlet.Reset();
    dsp.Reset();
    auto another = CreateDsp();
    Microsoft::WRL::ComPtr<IGainlet> g2;
    ASSERT_EQ(another.As(&g2), S_OK);
    DWORD rate = 0;
    EXPECT_EQ(g2->GetFormatInfo(&rate, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(rate, 22050u);
}

}  // namespace
}  // namespace gainlet::test
