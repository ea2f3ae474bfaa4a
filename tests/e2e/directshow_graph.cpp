#include "directshow_graph.h"

#include <gtest/gtest.h>

#include <dshow.h>
#include <dmodshow.h>
#include <dmoreg.h>
#include <qedit.h>
#include <wrl/client.h>

#include "common/owned_media_type.h"

namespace e2e {
namespace {

using Microsoft::WRL::ComPtr;

// MinGW's headers declare none of these three classes.
const CLSID kWaveParser = {0xd51bd5a1, 0x7548, 0x11cf, {0xa5, 0x20, 0x00, 0x80, 0xc7, 0x7e, 0xf5, 0x8a}};
const CLSID kSampleGrabber = {0xc1f400a0, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};
const CLSID kNullRenderer = {0xc1f400a4, 0x3f08, 0x11d3, {0x9f, 0x0b, 0x00, 0x60, 0x08, 0x03, 0x9e, 0x37}};

// Keeps a copy of every sample the grabber passes downstream. The grabber
// keeps only the last sample when asked to buffer, so the callback is the
// one way to see the whole stream. Called on the graph's streaming thread.
class SampleCollector : public ISampleGrabberCB {
public:
    SampleCollector() { InitializeCriticalSection(&lock_); }
    ~SampleCollector() { DeleteCriticalSection(&lock_); }
    SampleCollector(const SampleCollector&) = delete;
    SampleCollector& operator=(const SampleCollector&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_ISampleGrabberCB)) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = static_cast<ISampleGrabberCB*>(this);
        return S_OK;
    }
    // Lives on the stack of PlayThroughDmo, longer than the graph that holds it.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP SampleCB(double, IMediaSample* sample) override {
        BYTE* bytes = nullptr;
        if (FAILED(sample->GetPointer(&bytes))) return E_FAIL;
        const long length = sample->GetActualDataLength();
        EnterCriticalSection(&lock_);
        data_.insert(data_.end(), bytes, bytes + length);
        LeaveCriticalSection(&lock_);
        return S_OK;
    }
    STDMETHODIMP BufferCB(double, BYTE*, long) override { return E_NOTIMPL; }

    std::vector<BYTE> Data() {
        EnterCriticalSection(&lock_);
        std::vector<BYTE> copy = data_;
        LeaveCriticalSection(&lock_);
        return copy;
    }

private:
    CRITICAL_SECTION lock_;
    std::vector<BYTE> data_;
};

ComPtr<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION direction) {
    ComPtr<IEnumPins> pins;
    if (FAILED(filter->EnumPins(&pins))) return nullptr;
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        PIN_DIRECTION found;
        if (SUCCEEDED(pin->QueryDirection(&found)) && found == direction) return pin;
    }
    return nullptr;
}

void AddFilter(IGraphBuilder* graph, const CLSID& clsid, const wchar_t* name, ComPtr<IBaseFilter>* filter) {
    ASSERT_HRESULT_SUCCEEDED(
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(filter->GetAddressOf())))
        << "creating the " << testing::PrintToString(std::wstring(name));
    ASSERT_HRESULT_SUCCEEDED(graph->AddFilter(filter->Get(), name));
}

// Output pin of upstream straight to input pin of downstream, with the media
// type the two agree on.
void Connect(IGraphBuilder* graph, IBaseFilter* upstream, IBaseFilter* downstream, const char* what) {
    SCOPED_TRACE(what);
    const ComPtr<IPin> out = FirstPin(upstream, PINDIR_OUTPUT), in = FirstPin(downstream, PINDIR_INPUT);
    ASSERT_TRUE(out && in);
    ASSERT_HRESULT_SUCCEEDED(graph->ConnectDirect(out.Get(), in.Get(), nullptr));
}

}  // namespace

void PlayThroughDmo(const std::wstring& wavPath, const CLSID& dmo, GraphCapture* capture) {
    SampleCollector collector;  // outlives every reference below
    ComPtr<IGraphBuilder> graph;
    ASSERT_HRESULT_SUCCEEDED(
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(graph.GetAddressOf())));

    ComPtr<IBaseFilter> source, parser, wrapper, grabberFilter, renderer;
    ASSERT_NO_FATAL_FAILURE(AddFilter(graph.Get(), CLSID_AsyncReader, L"File Source (Async)", &source));
    ComPtr<IFileSourceFilter> file;
    ASSERT_HRESULT_SUCCEEDED(source.As(&file));
    ASSERT_HRESULT_SUCCEEDED(file->Load(wavPath.c_str(), nullptr));
    ASSERT_NO_FATAL_FAILURE(AddFilter(graph.Get(), kWaveParser, L"WAVE Parser", &parser));

    ASSERT_NO_FATAL_FAILURE(AddFilter(graph.Get(), CLSID_DMOWrapperFilter, L"DMO Wrapper", &wrapper));
    ComPtr<IDMOWrapperFilter> dmoWrapper;
    ASSERT_HRESULT_SUCCEEDED(wrapper.As(&dmoWrapper));
    ASSERT_HRESULT_SUCCEEDED(dmoWrapper->Init(dmo, DMOCATEGORY_AUDIO_EFFECT));

    ASSERT_NO_FATAL_FAILURE(AddFilter(graph.Get(), kSampleGrabber, L"Sample Grabber", &grabberFilter));
    ComPtr<ISampleGrabber> grabber;
    ASSERT_HRESULT_SUCCEEDED(grabberFilter.As(&grabber));
    AM_MEDIA_TYPE audio = {};
    audio.majortype = MEDIATYPE_Audio;
    ASSERT_HRESULT_SUCCEEDED(grabber->SetMediaType(&audio));
    ASSERT_HRESULT_SUCCEEDED(grabber->SetCallback(&collector, 0));
    ASSERT_NO_FATAL_FAILURE(AddFilter(graph.Get(), kNullRenderer, L"Null Renderer", &renderer));

    ASSERT_NO_FATAL_FAILURE(Connect(graph.Get(), source.Get(), parser.Get(), "file source to parser"));
    ASSERT_NO_FATAL_FAILURE(Connect(graph.Get(), parser.Get(), wrapper.Get(), "parser to DMO wrapper"));
    ASSERT_NO_FATAL_FAILURE(Connect(graph.Get(), wrapper.Get(), grabberFilter.Get(), "DMO wrapper to grabber"));
    ASSERT_NO_FATAL_FAILURE(Connect(graph.Get(), grabberFilter.Get(), renderer.Get(), "grabber to renderer"));

    // DirectShow's media type is the media object's, field for field.
    static_assert(sizeof(AM_MEDIA_TYPE) == sizeof(DMO_MEDIA_TYPE));
    gainlet::OwnedMediaType connected;
    ASSERT_HRESULT_SUCCEEDED(grabber->GetConnectedMediaType(reinterpret_cast<AM_MEDIA_TYPE*>(connected.put())));
    capture->format.assign(connected->pbFormat, connected->pbFormat + connected->cbFormat);

    // Without a clock the renderer takes each sample as it comes.
    ComPtr<IMediaFilter> timing;
    ASSERT_HRESULT_SUCCEEDED(graph.As(&timing));
    ASSERT_HRESULT_SUCCEEDED(timing->SetSyncSource(nullptr));

    ComPtr<IMediaControl> control;
    ComPtr<IMediaEvent> events;
    ASSERT_HRESULT_SUCCEEDED(graph.As(&control));
    // MinGW's control.h gives IMediaEvent no __uuidof.
    ASSERT_HRESULT_SUCCEEDED(graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(events.GetAddressOf())));
    ASSERT_HRESULT_SUCCEEDED(control->Run());
    long event = 0;
    const HRESULT waited = events->WaitForCompletion(30000, &event);
    control->Stop();
    ASSERT_HRESULT_SUCCEEDED(waited) << "no completion within 30 s";
    ASSERT_EQ(event, EC_COMPLETE);
    capture->data = collector.Data();
}

}  // namespace e2e
