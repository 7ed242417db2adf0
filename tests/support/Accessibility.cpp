#include "Accessibility.h"

#include "framework/WinUtil.h"

#include <oleacc.h>

std::string AccessibleName(HWND hwnd) {
    const HRESULT com = ::CoInitialize(nullptr);
    IAccessible* object = nullptr;
    // The interface's id from its declaration: MinGW's oleacc import library also exports a
    // symbol of that name, which is no GUID.
    const HRESULT found = ::AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                                       reinterpret_cast<void**>(&object));
    std::string name = "<no object: " + std::to_string(static_cast<unsigned long>(found)) + ">";
    if (SUCCEEDED(found) && object != nullptr) {
        VARIANT self;
        ::VariantInit(&self);
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR text = nullptr;
        name = SUCCEEDED(object->get_accName(self, &text)) && ::SysStringLen(text) > 0
                   ? ToUtf8(CString(text, ::SysStringLen(text)))
                   : "<no name>";
        ::SysFreeString(text);
        object->Release();
    }
    if (SUCCEEDED(com)) ::CoUninitialize();
    return name;
}
