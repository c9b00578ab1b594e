#include "view/page_origin.h"

namespace {

std::wstring Origin() {
    return L"https://" + std::wstring(kPageHost.begin(), kPageHost.end());
}

}  // namespace

std::wstring RequestFilter() {
    return Origin() + L"/*";
}

std::wstring StartPageAddress(bool dark) {
    return Origin() + (dark ? L"/index.html?dark=1" : L"/index.html");
}
