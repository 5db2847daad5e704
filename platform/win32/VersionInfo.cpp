// The program's place and its version number, as the executable's resources give it.
#include "platform/win32/VersionInfo.h"

#include "platform/win32/Win32Handles.h"

#include <string>
#include <vector>

namespace lumora {

std::u16string FormatVersion(std::uint32_t ms, std::uint32_t ls) {
    std::string s = std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." +
                    std::to_string(ls >> 16);
    return std::u16string(s.begin(), s.end());
}

std::u16string VersionString(const std::u16string& path) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(WidePtr(path), &ignored);
    if (size == 0) return u"0.0.0";
    std::vector<unsigned char> block(size);
    if (!GetFileVersionInfoW(WidePtr(path), 0, size, block.data())) return u"0.0.0";
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &len) || !info ||
        len < sizeof(VS_FIXEDFILEINFO))
        return u"0.0.0";
    return FormatVersion(info->dwFileVersionMS, info->dwFileVersionLS);
}

std::u16string ExecutablePath() {
    // Paths may be longer than MAX_PATH; grow until the name fits.
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return {};
        if (n < buf.size()) return FromWide(buf.data(), n);
        buf.resize(buf.size() * 2);
    }
}

std::u16string ExecutableFolder() {
    std::u16string path = ExecutablePath();
    auto slash = path.find_last_of(u"\\/");
    return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash + 1);
}

} // namespace lumora
