// Prints what Windows shows of a program: its version resource and its manifest.
//   program_info_probe.exe PROGRAM.exe
// One "name=value" line for each version string and the fixed file version, then
// "manifest=" and the manifest on one line. Exit status 1 when the program has neither.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string narrow(const wchar_t* text, int length = -1) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    if (length < 0 && !out.empty()) {
        out.pop_back();
    }
    return out;
}

bool printVersion(const wchar_t* program) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(program, &ignored);
    if (size == 0) {
        return false;
    }
    std::vector<unsigned char> data(size);
    if (!GetFileVersionInfoW(program, 0, size, data.data())) {
        return false;
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length)) {
        std::printf("FixedFileVersion=%u.%u.%u.%u\n", unsigned{HIWORD(fixed->dwFileVersionMS)},
                    unsigned{LOWORD(fixed->dwFileVersionMS)},
                    unsigned{HIWORD(fixed->dwFileVersionLS)},
                    unsigned{LOWORD(fixed->dwFileVersionLS)});
    }
    for (const wchar_t* name :
         {L"CompanyName", L"FileDescription", L"FileVersion", L"OriginalFilename", L"ProductName",
          L"ProductVersion", L"LegalCopyright"}) {
        wchar_t* value = nullptr;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        if (VerQueryValueW(data.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) {
            std::printf("%s=%s\n", narrow(name).c_str(), narrow(value).c_str());
        }
    }
    return true;
}

bool printManifest(const wchar_t* program) {
    const HMODULE module =
        LoadLibraryExW(program, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (module == nullptr) {
        return false;
    }
    bool found = false;
    if (const HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST)) {
        const auto* text = static_cast<const char*>(LockResource(LoadResource(module, resource)));
        std::string manifest(text, SizeofResource(module, resource));
        for (char& c : manifest) {
            if (c == '\r' || c == '\n') {
                c = ' ';
            }
        }
        std::printf("manifest=%s\n", manifest.c_str());
        found = true;
    }
    FreeLibrary(module);
    return found;
}

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: program_info_probe PROGRAM.exe\n");
        return 2;
    }
    const bool version = printVersion(argv[1]);
    const bool manifest = printManifest(argv[1]);
    return version || manifest ? 0 : 1;
}
