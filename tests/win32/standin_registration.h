#pragma once

#include <windows.h>

#include <string>

namespace rv::test {

// Registers the speech control's stand-in as "KsOCX.Voice" in
// HKEY_CLASSES_ROOT while it lives (wine's prefix of the test: no rights needed).
class StandInRegistration {
public:
    explicit StandInRegistration(const std::wstring& dllPath)
    {
        const std::wstring clsidKey = L"CLSID\\" + std::wstring(kClsid);
        setValue(L"KsOCX.Voice\\CLSID", nullptr, kClsid);
        setValue(clsidKey + L"\\InprocServer32", nullptr, dllPath.c_str());
        setValue(clsidKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment");
    }
    StandInRegistration(const StandInRegistration&) = delete;
    StandInRegistration& operator=(const StandInRegistration&) = delete;
    ~StandInRegistration()
    {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, L"KsOCX.Voice");
        RegDeleteTreeW(HKEY_CLASSES_ROOT, (L"CLSID\\" + std::wstring(kClsid)).c_str());
    }

private:
    static constexpr const wchar_t* kClsid = L"{0F069BD1-A984-48B1-8110-2C65D1165234}";

    static void setValue(const std::wstring& key, const wchar_t* name, const wchar_t* value)
    {
        RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), name, REG_SZ, value,
                        static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    }
};

} // namespace rv::test
