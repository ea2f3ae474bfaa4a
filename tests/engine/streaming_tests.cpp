// Streaming through IMediaObject: the held input buffer, output runs, time
// stamps, incomplete marking, flushing and the refusals on the way.
#include <gtest/gtest.h>

#include <functional>
#include <numeric>

#include "dsp_test_support.h"

namespace gainlet::test {
namespace {

constexpr DWORD kIncomplete = DMO_OUTPUT_DATA_BUFFERF_INCOMPLETE;
constexpr DWORD kTimed = DMO_OUTPUT_DATA_BUFFERF_TIME | DMO_OUTPUT_DATA_BUFFERF_TIMELENGTH;

class Streaming : public UnityGainTest {
protected:
    void TearDown() override {
        enable.Reset();
        gainlet.Reset();
        dsp.Reset();
        EXPECT_EQ(input.refs, 1) << "held buffer released with the object";
    }

    // Fills the input buffer with a ramp of bytes and hands it over.
    HRESULT Feed(DWORD length, DWORD flags = 0, REFERENCE_TIME stamp = 0) {
        input.memory.resize(length);
        input.length = length;
        for (DWORD i = 0; i < length; ++i) input.memory[i] = static_cast<BYTE>(i * 7 + 3);
        return dsp->ProcessInput(0, &input, flags, stamp, 0);
    }

    HRESULT Pull(TestBuffer& output) {
        element = DMO_OUTPUT_DATA_BUFFER{&output, 0xdeadbeef, -1, -1};
        status = 0xdeadbeef;
        return dsp->ProcessOutput(0, 1, &element, &status);
    }

    DWORD InputStatus() {
        DWORD flags = 0xdeadbeef;
        EXPECT_EQ(dsp->GetInputStatus(0, &flags), S_OK);
        return flags;
    }

    TestBuffer input{0};
    DMO_OUTPUT_DATA_BUFFER element{};
    DWORD status = 0;
};

TEST_F(Streaming, OutputBeforeAnyInputIsEmpty) {
    Negotiate(dsp.Get(), Pcm(16));
    TestBuffer output(100, 5);
    EXPECT_EQ(Pull(output), S_FALSE);
    EXPECT_EQ(output.length, 0u);
    EXPECT_EQ(element.dwStatus, 0u);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(InputStatus(), DWORD{DMO_INPUT_STATUSF_ACCEPT_DATA});

    DMO_OUTPUT_DATA_BUFFER noBuffer{nullptr, 9, 0, 0};
    EXPECT_EQ(dsp->ProcessOutput(0, 1, &noBuffer, nullptr), S_FALSE);
    EXPECT_EQ(noBuffer.dwStatus, 0u);
}

// Output buffers of 1000 and 1002 bytes both take 1000 bytes of 16-bit
// stereo per run: 1002 is not a whole number of 4-byte frames.
TEST_F(Streaming, HeldInputIsDrainedInWholeFrames) {
    Negotiate(dsp.Get(), Pcm(16));
    for (DWORD outputSize : {1000u, 1002u}) {
        SCOPED_TRACE(outputSize);
        ASSERT_EQ(Feed(4096), S_OK);
        EXPECT_EQ(InputStatus(), 0u);
        std::vector<BYTE> collected;
        const DWORD expectedLengths[] = {1000, 1000, 1000, 1000, 96};
        for (DWORD i = 0; i < 5; ++i) {
            TestBuffer output(outputSize);
            ASSERT_EQ(Pull(output), S_OK);
            EXPECT_EQ(output.length, expectedLengths[i]);
            EXPECT_EQ(element.dwStatus, i < 4 ? kIncomplete : 0u);
            EXPECT_EQ(status, 0u);
            collected.insert(collected.end(), output.memory.begin(), output.memory.begin() + output.length);
        }
        EXPECT_EQ(collected, input.memory);
        EXPECT_EQ(InputStatus(), DWORD{DMO_INPUT_STATUSF_ACCEPT_DATA});
        EXPECT_EQ(input.refs, 1);
        TestBuffer output(outputSize);
        EXPECT_EQ(Pull(output), S_FALSE);
    }
}

TEST_F(Streaming, TimeStampsFollowTheOutputByteRate) {
    Negotiate(dsp.Get(), Pcm(16, 2, 44100));  // 176400 bytes per second
    ASSERT_EQ(Feed(17640 * 3 + 4, DMO_INPUT_DATA_BUFFERF_TIME, 5000), S_OK);
    const REFERENCE_TIME stamps[] = {5000, 1005000, 2005000, 3005000};
    for (REFERENCE_TIME stamp : stamps) {
        TestBuffer output(17640);
        ASSERT_EQ(Pull(output), S_OK);
        EXPECT_EQ(element.dwStatus & kTimed, kTimed);
        EXPECT_EQ(element.rtTimestamp, stamp);
        EXPECT_EQ(element.rtTimelength, stamp == 3005000 ? 227 : 1000000);  // 4 bytes: 226.7 rounds up
    }

    // Without a stamp the output carries none, even after stamped input.
    ASSERT_EQ(Feed(8), S_OK);
    TestBuffer output(8);
    ASSERT_EQ(Pull(output), S_OK);
    EXPECT_EQ(element.dwStatus, 0u);
    EXPECT_EQ(element.rtTimestamp, -1);
}

TEST_F(Streaming, TimeLengthRoundsLikeMulDivAndNeverOverflows) {
    // Disabled, so every byte count passes through whole.
    ASSERT_EQ(enable->SetEnable(FALSE), S_OK);
    Format odd = Pcm(8, 1, 8000);
    odd.avgBytes = 176401;
    Negotiate(dsp.Get(), odd);
    for (DWORD bytes : {1u, 2u, 3u, 17u, 88200u, 88201u, 176400u, 1000003u}) {
        ASSERT_EQ(Feed(bytes, DMO_INPUT_DATA_BUFFERF_TIME, 0), S_OK);
        TestBuffer output(bytes);
        ASSERT_EQ(Pull(output), S_OK);
        EXPECT_EQ(element.rtTimelength, MulDiv(bytes, 10000000, 176401)) << bytes;
    }

    // 375 s of 8-bit mono at 8 kHz in one run: 3.75e9 units, beyond MulDiv.
    ASSERT_EQ(dsp->SetInputType(0, nullptr, DMO_SET_TYPEF_CLEAR), S_OK);
    ASSERT_EQ(dsp->SetOutputType(0, nullptr, DMO_SET_TYPEF_CLEAR), S_OK);
    Negotiate(dsp.Get(), Pcm(8, 1, 8000));
    ASSERT_EQ(Feed(3000000, DMO_INPUT_DATA_BUFFERF_TIME, 0), S_OK);
    TestBuffer output(3000000);
    ASSERT_EQ(Pull(output), S_OK);
    EXPECT_EQ(element.rtTimelength, 3750000000LL);
}

TEST_F(Streaming, PartialFrameIsCopiedWhenDisabledAndDroppedWhenEnabled) {
    Negotiate(dsp.Get(), Pcm(16));
    ASSERT_EQ(enable->SetEnable(FALSE), S_OK);
    ASSERT_EQ(Feed(3), S_OK);
    TestBuffer output(100);
    ASSERT_EQ(Pull(output), S_OK);
    ASSERT_EQ(output.length, 3u);
    EXPECT_TRUE(std::equal(input.memory.begin(), input.memory.end(), output.memory.begin()));
    EXPECT_EQ(element.dwStatus, 0u);
    EXPECT_EQ(InputStatus(), DWORD{DMO_INPUT_STATUSF_ACCEPT_DATA});

    ASSERT_EQ(enable->SetEnable(TRUE), S_OK);
    ASSERT_EQ(Feed(7), S_OK);
    ASSERT_EQ(Pull(output), S_OK);
    EXPECT_EQ(output.length, 4u);
    EXPECT_EQ(element.dwStatus, 0u) << "the trailing 3 bytes go with the buffer";
    EXPECT_EQ(InputStatus(), DWORD{DMO_INPUT_STATUSF_ACCEPT_DATA});
}

TEST_F(Streaming, OutputSmallerThanAFrameWritesNothingAndStaysIncomplete) {
    Negotiate(dsp.Get(), Pcm(16));
    ASSERT_EQ(Feed(8), S_OK);
    TestBuffer tiny(3);
    ASSERT_EQ(Pull(tiny), S_OK);
    EXPECT_EQ(tiny.length, 0u);
    EXPECT_EQ(element.dwStatus, kIncomplete);
    TestBuffer output(8);
    ASSERT_EQ(Pull(output), S_OK);
    EXPECT_EQ(output.length, 8u);
}

TEST_F(Streaming, OutputReplacesWhatTheBufferHeld) {
    Negotiate(dsp.Get(), Pcm(8, 1));
    ASSERT_EQ(Feed(4), S_OK);
    TestBuffer output(16, 10);
    std::fill(output.memory.begin(), output.memory.end(), BYTE{0xEE});
    ASSERT_EQ(Pull(output), S_OK);
    EXPECT_EQ(output.length, 4u);
    EXPECT_TRUE(std::equal(input.memory.begin(), input.memory.end(), output.memory.begin()));
}

TEST_F(Streaming, FlushDropsHeldInput) {
    Negotiate(dsp.Get(), Pcm(16));
    ASSERT_EQ(Feed(4096, DMO_INPUT_DATA_BUFFERF_TIME, 100), S_OK);
    EXPECT_EQ(input.refs, 2);
    ASSERT_EQ(dsp->Flush(), S_OK);
    EXPECT_EQ(input.refs, 1);
    EXPECT_EQ(InputStatus(), DWORD{DMO_INPUT_STATUSF_ACCEPT_DATA});
    TestBuffer output(4096);
    EXPECT_EQ(Pull(output), S_FALSE);

    ASSERT_EQ(Feed(8), S_OK);
    ASSERT_EQ(dsp->FreeStreamingResources(), S_OK);
    EXPECT_EQ(input.refs, 1);
    EXPECT_EQ(Pull(output), S_FALSE);
}

TEST_F(Streaming, NewInputReplacesHeldInput) {
    Negotiate(dsp.Get(), Pcm(16));
    TestBuffer first(4096, 4096);
    ASSERT_EQ(dsp->ProcessInput(0, &first, 0, 0, 0), S_OK);
    TestBuffer output(1000);
    ASSERT_EQ(Pull(output), S_OK);
    ASSERT_EQ(Feed(12), S_OK);
    EXPECT_EQ(first.refs, 1);
    ASSERT_EQ(Pull(output), S_OK);
    EXPECT_EQ(output.length, 12u);

    // The same buffer handed in twice stays alive across the swap.
    ASSERT_EQ(Feed(12), S_OK);
    ASSERT_EQ(dsp->ProcessInput(0, &input, 0, 0, 0), S_OK);
    EXPECT_EQ(input.refs, 2);
}

TEST_F(Streaming, RefusedInputHoldsNothing) {
    TestBuffer buffer(16, 16);
    EXPECT_EQ(dsp->ProcessInput(0, &buffer, 0, 0, 0), kTypeNotSet);
    Negotiate(dsp.Get(), Pcm(16));

    TestBuffer failing(16, 16);
    failing.getBufferResult = E_UNEXPECTED;
    TestBuffer nullMemory(16, 16);
    nullMemory.nullMemory = true;
    const struct {
        const char* name;
        HRESULT result;
        HRESULT expected;
    } rows[] = {
        {"stream 1", dsp->ProcessInput(1, nullptr, 0, 0, 0), kInvalidStreamIndex},
        {"null buffer", dsp->ProcessInput(0, nullptr, 0, 0, 0), E_POINTER},
        {"buffer failure passed on", dsp->ProcessInput(0, &failing, 0, 0, 0), E_UNEXPECTED},
        {"no memory behind the length", dsp->ProcessInput(0, &nullMemory, 0, 0, 0), E_POINTER},
    };
    for (const auto& row : rows) EXPECT_EQ(row.result, row.expected) << row.name;
    EXPECT_EQ(InputStatus(), DWORD{DMO_INPUT_STATUSF_ACCEPT_DATA});
    EXPECT_EQ(buffer.refs + failing.refs + nullMemory.refs, 3);
}

TEST_F(Streaming, RefusedOutputKeepsHeldData) {
    TestBuffer output(64);
    DMO_OUTPUT_DATA_BUFFER two[2] = {{&output, 0, 0, 0}, {&output, 0, 0, 0}};
    EXPECT_EQ(dsp->ProcessOutput(0, 1, nullptr, nullptr), E_POINTER);
    EXPECT_EQ(dsp->ProcessOutput(0, 2, nullptr, nullptr), E_POINTER) << "array checked before count";
    EXPECT_EQ(dsp->ProcessOutput(0, 2, two, nullptr), E_INVALIDARG) << "count checked before type";
    EXPECT_EQ(dsp->ProcessOutput(0, 1, two, nullptr), kTypeNotSet);

    Negotiate(dsp.Get(), Pcm(16));
    ASSERT_EQ(Feed(64, DMO_INPUT_DATA_BUFFERF_TIME, 0), S_OK);
    EXPECT_EQ(dsp->ProcessOutput(0, 2, two, nullptr), E_INVALIDARG);
    EXPECT_EQ(dsp->ProcessOutput(0, 0, two, nullptr), E_INVALIDARG);

    auto failWith = [&](HRESULT TestBuffer::*which) {
        TestBuffer broken(64);
        broken.*which = E_ACCESSDENIED;
        return Pull(broken);
    };
    EXPECT_EQ(failWith(&TestBuffer::getBufferResult), E_ACCESSDENIED);
    EXPECT_EQ(failWith(&TestBuffer::getMaxLengthResult), E_ACCESSDENIED);
    EXPECT_EQ(failWith(&TestBuffer::setLengthResult), E_ACCESSDENIED);
    TestBuffer nullMemory(64);
    nullMemory.nullMemory = true;
    EXPECT_EQ(Pull(nullMemory), E_POINTER);

    DMO_OUTPUT_DATA_BUFFER noBuffer{nullptr, 9, 0, 0};
    EXPECT_EQ(dsp->ProcessOutput(0, 1, &noBuffer, nullptr), S_FALSE);
    EXPECT_EQ(noBuffer.dwStatus, 0u);

    // Held data waits while the input type is cleared, and flows again once
    // one is set.
    ASSERT_EQ(dsp->SetInputType(0, nullptr, DMO_SET_TYPEF_CLEAR), S_OK);
    EXPECT_EQ(Pull(output), kTypeNotSet);
    EXPECT_EQ(InputStatus(), 0u);
    MediaType type(Pcm(16));
    ASSERT_EQ(dsp->SetInputType(0, type.get(), 0), S_OK);

    ASSERT_EQ(Pull(output), S_OK);
    EXPECT_EQ(output.length, 64u);
    EXPECT_EQ(element.rtTimestamp, 0) << "no failed run moved the time on";
    EXPECT_EQ(output.memory, input.memory);
}

// A host's buffer may call back into the object from inside any call the
// object makes on it. A run reads the object only after its calls out, and
// one whose state changed during its last call (SetLength) fails and
// consumes nothing: in the end the host receives what it left the object
// holding, whole, once and in order.
TEST_F(Streaming, OutputBufferCallsThatReenterTheObject) {
    using Action = std::function<void()>;
    const MediaType narrow(Pcm(8, 1));
    TestBuffer replacement(96, 96);
    std::iota(replacement.memory.begin(), replacement.memory.end(), BYTE{0xA0});
    std::vector<BYTE> nestedOutput;

    const Action clearInput = [&] { EXPECT_EQ(dsp->SetInputType(0, nullptr, DMO_SET_TYPEF_CLEAR), S_OK); };
    const Action clearOutput = [&] { EXPECT_EQ(dsp->SetOutputType(0, nullptr, DMO_SET_TYPEF_CLEAR), S_OK); };
    // To 8-bit mono, whose 1-byte frames fill all 1001 bytes of the output.
    const Action changeFormat = [&] {
        clearOutput();
        clearInput();
        EXPECT_EQ(dsp->SetInputType(0, narrow.get(), 0), S_OK);
        EXPECT_EQ(dsp->SetOutputType(0, narrow.get(), 0), S_OK);
    };
    const Action feed = [&] { EXPECT_EQ(dsp->ProcessInput(0, &replacement, 0, 0, 0), S_OK); };
    const Action flush = [&] { EXPECT_EQ(dsp->Flush(), S_OK); };
    const Action pull = [&] {
        TestBuffer nested(1001);
        DMO_OUTPUT_DATA_BUFFER nestedElement{&nested, 0, 0, 0};
        EXPECT_EQ(dsp->ProcessOutput(0, 1, &nestedElement, nullptr), S_OK);
        nestedOutput.assign(nested.memory.begin(), nested.memory.begin() + nested.length);
    };

    enum class Received { kInput, kReplacement, kNothing };
    using C = BufferCall;
    const struct {
        const char* name;
        BufferCall call;
        const Action& action;
        HRESULT result;
        DWORD written;  // by a run that succeeds
        Received received;
    } rows[] = {
        {"input type cleared in GetBufferAndLength", C::GetBufferAndLength, clearInput, kTypeNotSet, 0,
         Received::kInput},
        {"output type cleared in GetBufferAndLength", C::GetBufferAndLength, clearOutput, kTypeNotSet, 0,
         Received::kInput},
        {"format changed in GetBufferAndLength", C::GetBufferAndLength, changeFormat, S_OK, 1001, Received::kInput},
        {"new input in GetBufferAndLength", C::GetBufferAndLength, feed, S_OK, 96, Received::kReplacement},
        {"flush in GetBufferAndLength", C::GetBufferAndLength, flush, S_FALSE, 0, Received::kNothing},
        {"input type cleared in GetMaxLength", C::GetMaxLength, clearInput, kTypeNotSet, 0, Received::kInput},
        {"output type cleared in GetMaxLength", C::GetMaxLength, clearOutput, kTypeNotSet, 0, Received::kInput},
        {"format changed in GetMaxLength", C::GetMaxLength, changeFormat, S_OK, 1001, Received::kInput},
        {"input type cleared in SetLength", C::SetLength, clearInput, kTypeNotSet, 0, Received::kInput},
        {"output type cleared in SetLength", C::SetLength, clearOutput, kTypeNotSet, 0, Received::kInput},
        {"format changed in SetLength", C::SetLength, changeFormat, kChangedState, 0, Received::kInput},
        {"new input in SetLength", C::SetLength, feed, kChangedState, 0, Received::kReplacement},
        {"flush in SetLength", C::SetLength, flush, kChangedState, 0, Received::kNothing},
        {"output run in SetLength", C::SetLength, pull, kChangedState, 0, Received::kInput},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(dsp->Flush(), S_OK);
        clearOutput();
        clearInput();
        Negotiate(dsp.Get(), Pcm(16));
        nestedOutput.clear();
        ASSERT_EQ(Feed(4096, DMO_INPUT_DATA_BUFFERF_TIME, 0), S_OK);

        TestBuffer output(1001);
        bool fired = false;
        output.onCall = [&](BufferCall call) {
            if (call != row.call || fired) return;
            fired = true;
            row.action();
        };
        const HRESULT result = Pull(output);
        ASSERT_TRUE(fired);
        EXPECT_EQ(result, row.result);
        std::vector<BYTE> received = nestedOutput;
        if (SUCCEEDED(result)) {
            EXPECT_EQ(output.length, row.written);
            received.insert(received.end(), output.memory.begin(), output.memory.begin() + output.length);
        }

        // Drain what is left as plain copies, which pass every byte whatever
        // the frame size.
        output.onCall = nullptr;
        clearOutput();
        clearInput();
        Negotiate(dsp.Get(), Pcm(16));
        ASSERT_EQ(enable->SetEnable(FALSE), S_OK);
        HRESULT hr = S_OK;
        for (int run = 0; run < 8 && hr == S_OK; ++run) {
            TestBuffer drain(1000);
            hr = Pull(drain);
            received.insert(received.end(), drain.memory.begin(), drain.memory.begin() + drain.length);
        }
        EXPECT_EQ(hr, S_FALSE) << "drained within eight runs";
        ASSERT_EQ(enable->SetEnable(TRUE), S_OK);

        const std::vector<BYTE> expected = row.received == Received::kInput         ? input.memory
                                           : row.received == Received::kReplacement ? replacement.memory
                                                                                    : std::vector<BYTE>{};
        EXPECT_EQ(received, expected);
    }
    ASSERT_EQ(dsp->Flush(), S_OK);
    EXPECT_EQ(replacement.refs, 1);
}

// The input buffer given up is released only once the object holds the next
// one, or nothing: its Release may call straight back into the object.
TEST_F(Streaming, ReleasedInputBufferCanReenterTheObject) {
    Negotiate(dsp.Get(), Pcm(16));
    TestBuffer next(8, 8);
    std::iota(next.memory.begin(), next.memory.end(), BYTE{0xB0});
    bool fired = false;
    auto onRelease = [&](const std::function<void()>& action) {
        return [&fired, action](BufferCall call) {
            if (call != BufferCall::Release || fired) return;
            fired = true;
            action();
        };
    };

    // Replaced: a run from inside the old buffer's release reads the new one.
    ASSERT_EQ(Feed(4096), S_OK);
    TestBuffer nested(64);
    input.onCall = onRelease([&] {
        DMO_OUTPUT_DATA_BUFFER nestedElement{&nested, 0, 0, 0};
        EXPECT_EQ(dsp->ProcessOutput(0, 1, &nestedElement, nullptr), S_OK);
    });
    ASSERT_EQ(dsp->ProcessInput(0, &next, 0, 0, 0), S_OK);
    ASSERT_TRUE(fired);
    EXPECT_EQ(std::vector<BYTE>(nested.memory.begin(), nested.memory.begin() + nested.length), next.memory);

    // Used up: new input handed over from inside its release is kept.
    fired = false;
    ASSERT_EQ(Feed(16), S_OK);
    input.onCall = onRelease([&] { EXPECT_EQ(dsp->ProcessInput(0, &next, 0, 0, 0), S_OK); });
    TestBuffer output(64);
    ASSERT_EQ(Pull(output), S_OK);
    ASSERT_TRUE(fired);
    input.onCall = nullptr;
    EXPECT_EQ(InputStatus(), 0u);
    ASSERT_EQ(Pull(output), S_OK);
    EXPECT_EQ(std::vector<BYTE>(output.memory.begin(), output.memory.begin() + output.length), next.memory);
    EXPECT_EQ(next.refs, 1);
}

TEST_F(Streaming, StreamInformationAndInertMethods) {
    DWORD inputs = 0, outputs = 0, flags = 7;
    const struct {
        const char* name;
        HRESULT result;
        HRESULT expected;
    } rows[] = {
        {"stream count, null inputs", dsp->GetStreamCount(nullptr, &outputs), E_POINTER},
        {"stream count, null outputs", dsp->GetStreamCount(&inputs, nullptr), E_POINTER},
        {"input info, null before index", dsp->GetInputStreamInfo(1, nullptr), E_POINTER},
        {"input info, stream 1", dsp->GetInputStreamInfo(1, &flags), kInvalidStreamIndex},
        {"output info, null before index", dsp->GetOutputStreamInfo(1, nullptr), E_POINTER},
        {"output info, stream 1", dsp->GetOutputStreamInfo(1, &flags), kInvalidStreamIndex},
        {"input status, index before null", dsp->GetInputStatus(1, nullptr), kInvalidStreamIndex},
        {"input status, null", dsp->GetInputStatus(0, nullptr), E_POINTER},
        {"get latency", dsp->GetInputMaxLatency(0, nullptr), E_NOTIMPL},
        {"set latency", dsp->SetInputMaxLatency(0, 1), E_NOTIMPL},
        {"discontinuity, index not checked", dsp->Discontinuity(5), S_OK},
        {"allocate", dsp->AllocateStreamingResources(), S_OK},
        {"lock", dsp->Lock(TRUE), S_OK},
        {"unlock", dsp->Lock(FALSE), S_OK},
    };
    for (const auto& row : rows) EXPECT_EQ(row.result, row.expected) << row.name;
    EXPECT_EQ(inputs + outputs, 0u);
    EXPECT_EQ(flags, 7u);

    ASSERT_EQ(dsp->GetStreamCount(&inputs, &outputs), S_OK);
    EXPECT_EQ(inputs, 1u);
    EXPECT_EQ(outputs, 1u);
    ASSERT_EQ(dsp->GetInputStreamInfo(0, &flags), S_OK);
    EXPECT_EQ(flags, 0u);
    flags = 7;
    ASSERT_EQ(dsp->GetOutputStreamInfo(0, &flags), S_OK);
    EXPECT_EQ(flags, 0u);
}

}  // namespace
}  // namespace gainlet::test
