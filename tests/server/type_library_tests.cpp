// The type library the DLL carries, read back through the platform's type
// information and held against the C++ declaration of IGainlet. The proxy a
// caller in another apartment gets is built from this description alone: a
// method in another slot, or a parameter of another type or direction, would
// hand the object arguments it does not expect.
#include <gtest/gtest.h>

#include <oleauto.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "gainlet.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace gainlet {
namespace {

using Microsoft::WRL::ComPtr;

// The automation type of each C++ type IGainlet's methods take. BOOL is an
// int in C++ and a long in the type library: 32-bit signed either way.
template <typename T>
struct VarTypeOf;
template <>
struct VarTypeOf<float> {
    static constexpr VARTYPE value = VT_R4;
};
template <>
struct VarTypeOf<int> {
    static constexpr VARTYPE value = VT_I4;
};
template <>
struct VarTypeOf<unsigned long> {
    static constexpr VARTYPE value = VT_UI4;
};
static_assert(sizeof(BOOL) == 4 && sizeof(DWORD) == 4, "the type library's long and unsigned long");

// Every pointer IGainlet takes is an output; every value an input.
struct Parameter {
    VARTYPE type;
    VARTYPE pointee;  // VT_EMPTY unless type is VT_PTR
    USHORT direction;
};

template <typename T>
struct ParameterOf {
    static Parameter Get() { return {VarTypeOf<T>::value, VT_EMPTY, PARAMFLAG_FIN}; }
};
template <typename T>
struct ParameterOf<T*> {
    static Parameter Get() { return {VT_PTR, VarTypeOf<T>::value, PARAMFLAG_FOUT}; }
};

template <typename... Parameters>
std::vector<Parameter> ParametersOf(HRESULT (STDMETHODCALLTYPE IGainlet::*)(Parameters...)) {
    return {ParameterOf<Parameters>::Get()...};
}

struct Method {
    const wchar_t* name;
    std::vector<Parameter> parameters;
};

std::string Narrow(const wchar_t* text) { return std::string(text, text + wcslen(text)); }

TEST(TypeLibrary, DescribesIGainletAsDeclared) {
    // Slot order as gainlet.h declares it (interface_abi.cpp checks the slots).
    const Method methods[] = {
        {L"GetGain", ParametersOf(&IGainlet::GetGain)},
        {L"SetGain", ParametersOf(&IGainlet::SetGain)},
        {L"GetPeak", ParametersOf(&IGainlet::GetPeak)},
        {L"GetFormatInfo", ParametersOf(&IGainlet::GetFormatInfo)},
    };

    wchar_t path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(reinterpret_cast<HMODULE>(&__ImageBase), path, MAX_PATH), 0u);
    ComPtr<ITypeLib> library;
    ASSERT_EQ(LoadTypeLibEx(path, REGKIND_NONE, &library), S_OK) << "TYPELIB resource 1";
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(library->GetTypeInfoOfGuid(IID_IGainlet, &info), S_OK);

    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attributes), S_OK);
    EXPECT_EQ(attributes->typekind, TKIND_INTERFACE);
    EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FOLEAUTOMATION) << "the type-library marshaller's condition";
    EXPECT_EQ(attributes->cFuncs, ARRAYSIZE(methods));
    EXPECT_EQ(attributes->cbSizeVft, (3 + ARRAYSIZE(methods)) * sizeof(void*));
    EXPECT_EQ(attributes->cImplTypes, 1);
    info->ReleaseTypeAttr(attributes);

    HREFTYPE baseReference = 0;
    ComPtr<ITypeInfo> base;
    ASSERT_EQ(info->GetRefTypeOfImplType(0, &baseReference), S_OK);
    ASSERT_EQ(info->GetRefTypeInfo(baseReference, &base), S_OK);
    ASSERT_EQ(base->GetTypeAttr(&attributes), S_OK);
    EXPECT_TRUE(IsEqualGUID(attributes->guid, IID_IUnknown)) << "derives directly from IUnknown";
    base->ReleaseTypeAttr(attributes);

    for (UINT index = 0; index < ARRAYSIZE(methods); ++index) {
        const Method& method = methods[index];
        SCOPED_TRACE(Narrow(method.name));
        FUNCDESC* function = nullptr;
        ASSERT_EQ(info->GetFuncDesc(index, &function), S_OK);
        OwnedBstr name;
        UINT names = 0;
        info->GetNames(function->memid, name.put(), 1, &names);
        EXPECT_EQ(std::wstring(name ? name.get() : L""), method.name);

        EXPECT_EQ(function->oVft, static_cast<SHORT>((3 + index) * sizeof(void*))) << "vtable slot";
        EXPECT_EQ(function->funckind, FUNC_PUREVIRTUAL);
        EXPECT_EQ(function->callconv, CC_STDCALL);
        EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_HRESULT);
        ASSERT_EQ(static_cast<size_t>(function->cParams), method.parameters.size());
        for (size_t p = 0; p < method.parameters.size(); ++p) {
            const ELEMDESC& described = function->lprgelemdescParam[p];
            const Parameter& declared = method.parameters[p];
            EXPECT_EQ(described.tdesc.vt, declared.type) << "parameter " << p;
            if (declared.type == VT_PTR && described.tdesc.vt == VT_PTR) {
                EXPECT_EQ(described.tdesc.lptdesc->vt, declared.pointee) << "parameter " << p;
            }
            EXPECT_EQ(described.paramdesc.wParamFlags & (PARAMFLAG_FIN | PARAMFLAG_FOUT), declared.direction)
                << "parameter " << p;
        }
        info->ReleaseFuncDesc(function);
    }
}

}  // namespace
}  // namespace gainlet
