#include "win32/speech_control.h"

#include "speech/speech_script.h"
#include "win32/com_ref.h"

#include <initguid.h> // defines the SAPI identifiers below in this file

#include <sapi.h>

#include <string>

namespace rv::win32 {
namespace {

constexpr DISPID dispatchIdOf(speech::VoiceOperation operation)
{
    return static_cast<DISPID>(speech::dispatchId(operation));
}

// The clinic's own speech control, called late-bound through IDispatch,
// exactly as a form would call a control placed on it.
class AutomationVoice final : public SpeechControl {
public:
    explicit AutomationVoice(ComRef<IDispatch> dispatch) : dispatch_(std::move(dispatch)) {}

    void invoke(DISPID operation) override { call(operation, nullptr); }

    void invoke(DISPID operation, std::wstring_view text) override
    {
        VARIANT argument;
        VariantInit(&argument);
        argument.vt = VT_BSTR;
        argument.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        call(operation, &argument);
        VariantClear(&argument);
    }

    const wchar_t* backEnd() const override { return L"KsOCX.Voice"; }

private:
    void call(DISPID operation, VARIANT* argument)
    {
        DISPPARAMS parameters{argument, nullptr, argument ? 1u : 0u, 0};
        VARIANT result;
        VariantInit(&result);
        // The control's result, and a failure, are not used by the program.
        (void)dispatch_->Invoke(operation, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, &result,
                                nullptr, nullptr);
        VariantClear(&result);
    }

    ComRef<IDispatch> dispatch_;
};

// Stand-in when the clinic's control is not installed: the system voice.
// Speaking is asynchronous so the window never waits for it; the operation
// before a caption stops what is still being said, so that moving the focus
// quickly announces where it is now, not where it was.
class SystemVoice final : public SpeechControl {
public:
    explicit SystemVoice(ComRef<ISpVoice> voice) : voice_(std::move(voice)) {}

    void invoke(DISPID operation) override
    {
        if (operation == dispatchIdOf(speech::VoiceOperation::BeforeSpeakingCaption)) {
            (void)voice_->Speak(nullptr, SPF_PURGEBEFORESPEAK, nullptr);
        }
    }

    void invoke(DISPID operation, std::wstring_view text) override
    {
        if (operation == dispatchIdOf(speech::VoiceOperation::Speak)) {
            const std::wstring terminated(text);
            (void)voice_->Speak(terminated.c_str(), SPF_ASYNC | SPF_IS_NOT_XML, nullptr);
        }
    }

    const wchar_t* backEnd() const override { return L"SAPI"; }

private:
    ComRef<ISpVoice> voice_;
};

class Silence final : public SpeechControl {
public:
    void invoke(DISPID) override {}
    void invoke(DISPID, std::wstring_view) override {}
    const wchar_t* backEnd() const override { return L"silence"; }
};

} // namespace

std::unique_ptr<SpeechControl> createSpeechControl()
{
    CLSID clsid;
    if (SUCCEEDED(CLSIDFromProgID(L"KsOCX.Voice", &clsid))) {
        ComRef<IDispatch> dispatch;
        if (SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                       dispatch.outVoid()))) {
            return std::make_unique<AutomationVoice>(std::move(dispatch));
        }
    }
    ComRef<ISpVoice> voice;
    if (SUCCEEDED(CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_ISpVoice, voice.outVoid()))) {
        return std::make_unique<SystemVoice>(std::move(voice));
    }
    return std::make_unique<Silence>();
}

} // namespace rv::win32
