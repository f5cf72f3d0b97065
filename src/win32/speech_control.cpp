#include "win32/speech_control.h"

#include "win32/com_ref.h"
#include "win32/system_voice.h"

#include <string>

namespace rv::win32 {
namespace {

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
    if (auto queue = makeSystemSpeechQueue()) {
        return std::make_unique<SystemVoice>(std::move(queue), &makeSystemSpeechQueue);
    }
    return std::make_unique<Silence>();
}

} // namespace rv::win32
