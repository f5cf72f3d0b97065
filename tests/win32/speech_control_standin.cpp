// Stand-in for the speech control "KsOCX.Voice": an in-process automation
// object that records each dispatch call it receives, e.g.
//   Voice1 0x60030002 BSTR データバックアップ
//   Voice1 0x60030003
// Registered for the current user by the GUI test, then removed again.
#include "speech_log.h"

#include <ole2.h>

#include <atomic>
#include <cstdio>

namespace {

std::atomic<long> liveObjects{0};

std::string utf8(const wchar_t* text, UINT length)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), size, nullptr, nullptr);
    return out;
}

std::string describeArguments(const DISPPARAMS* parameters)
{
    std::string out;
    for (UINT i = 0; parameters && i < parameters->cArgs; ++i) {
        const VARIANT& argument = parameters->rgvarg[i];
        if (argument.vt == VT_BSTR) {
            out += " BSTR " + utf8(argument.bstrVal, SysStringLen(argument.bstrVal));
        } else {
            out += " vt=" + std::to_string(argument.vt); // by reference or another type: wrong
        }
    }
    return out;
}

class Voice final : public IDispatch {
public:
    Voice() { ++liveObjects; }
    ~Voice() { --liveObjects; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                                     UINT*) override
    {
        const std::string kind = (flags & DISPATCH_METHOD) ? "" : " not-a-method";
        rv::test::appendSpeechLog(rv::test::voiceCallLine(id, kind + describeArguments(parameters)));
        return S_OK;
    }

private:
    std::atomic<ULONG> references_{1};
};

class Factory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        if (outer) {
            return CLASS_E_NOAGGREGATION;
        }
        auto* voice = new Voice();
        const HRESULT hr = voice->QueryInterface(iid, object);
        voice->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory factory;

} // namespace

extern "C" __declspec(dllexport) HRESULT __stdcall DllGetClassObject(REFCLSID, REFIID iid, void** object)
{
    return factory.QueryInterface(iid, object);
}

extern "C" __declspec(dllexport) HRESULT __stdcall DllCanUnloadNow() { return liveObjects == 0 ? S_OK : S_FALSE; }
