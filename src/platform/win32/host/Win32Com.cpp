#include "platform/win32/host/Win32Com.h"

#include "platform/win32/Win32Error.h"
#include "platform/win32/Win32Text.h"

namespace pankor::win32host {

std::string WideToUtf8(std::wstring_view text) noexcept { return win32::FromWide(text).value_or(std::string()); }

Bstr ToBstr(std::string_view utf8) noexcept {
    const std::optional<std::wstring> wide = win32::ToWide(utf8);
    return Bstr(wide ? wide->c_str() : nullptr);
}

std::string VariantText(const VARIANT& v) noexcept {
    const VARIANT* value = &v;
    if (value->vt == (VT_BYREF | VT_VARIANT) && value->pvarVal) value = value->pvarVal;
    if (value->vt == VT_BSTR)
        return WideToUtf8(value->bstrVal ? std::wstring_view(value->bstrVal, SysStringLen(value->bstrVal)) : L"");
    if (value->vt == (VT_BYREF | VT_BSTR) && value->pbstrVal && *value->pbstrVal)
        return WideToUtf8(std::wstring_view(*value->pbstrVal, SysStringLen(*value->pbstrVal)));
    if (value->vt == VT_EMPTY || value->vt == VT_NULL) return {};
    Variant text;
    if (FAILED(VariantChangeType(text.Get(), const_cast<VARIANT*>(value), 0, VT_BSTR)) || !text.Ref().bstrVal)
        return {};
    return WideToUtf8(std::wstring_view(text.Ref().bstrVal, SysStringLen(text.Ref().bstrVal)));
}

Status ComFailure(HRESULT hr) noexcept {
    try {
        const unsigned long code = static_cast<DWORD>(hr);
        IErrorInfo* raw = nullptr;
        if (GetErrorInfo(0, &raw) == S_OK && raw) {
            const ComPtr<IErrorInfo> info(raw);
            Bstr description;
            if (SUCCEEDED(info->GetDescription(description.Put())) && !description.View().empty())
                return Status::Fail(WideToUtf8(description.View()), code);
        }
        return Status::Fail(win32::ErrorText(static_cast<DWORD>(hr)), code);
    } catch (...) {
        return win32::OutOfMemory();
    }
}

}  // namespace pankor::win32host
