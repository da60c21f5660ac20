// Settings files are text files any program of the user may have written. The input is a section
// name, a key name, the size of the caller's buffer and the file.
#include "platform/files/win_profile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The drive root of the run: in memory (/dev/shm) where there is one, removed when the process ends.
class ScratchFolder {
public:
    ScratchFolder() {
        const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/veltrin-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

ScratchFolder* scratch;
const wchar_t kFileName[] = L"fuzz.ini";

std::wstring Widened(const std::string& bytes) { return std::wstring(bytes.begin(), bytes.end()); }

// Names of letters, digits and a few marks mean the same in every code page and in no line form.
bool PlainName(const std::string& name) {
    if (name.empty() || name.front() == ' ' || name.back() == ' ') return false;
    for (char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                           c == '.' || c == ' ' || c == '-';
        if (!plain) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static ScratchFolder folder;
    scratch = &folder;
    std::filesystem::create_directories(folder.path() / "c" / "Windows");
    setenv("VELTRIN_DRIVE_ROOT", folder.path().c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(32);
    const std::string key = input.ConsumeRandomLengthString(32);
    const DWORD bufferSize = input.ConsumeIntegralInRange<DWORD>(1, 64);
    const std::string contents = input.ConsumeRemainingBytesAsString();
    {
        std::ofstream file(scratch->path() / "c" / "Windows" / "fuzz.ini", std::ios::binary | std::ios::trunc);
        file.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    }

    const std::wstring wideSection = Widened(section);
    const std::wstring wideKey = Widened(key);
    std::vector<WCHAR> buffer(bufferSize + 1, L'#');
    const DWORD copied = GetPrivateProfileStringW(wideSection.c_str(), wideKey.c_str(), L"default", buffer.data(),
                                                  bufferSize, kFileName);
    // The answer fits the caller's buffer with its terminator and writes nothing past it.
    if (copied >= bufferSize || buffer[copied] != L'\0' || buffer[bufferSize] != L'#') __builtin_trap();

    if (PlainName(section) && PlainName(key)) {
        // A value written can be read back, whatever else the file holds.
        if (!WritePrivateProfileStringW(wideSection.c_str(), wideKey.c_str(), L"written", kFileName)) __builtin_trap();
        WCHAR value[16];
        if (GetPrivateProfileStringW(wideSection.c_str(), wideKey.c_str(), L"", value, 16, kFileName) != 7 ||
            std::wstring(value) != L"written") {
            __builtin_trap();
        }
    }
    return 0;
}
