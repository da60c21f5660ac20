#include "platform/net/url_cache_file.h"

#include "platform/files/drive_root.h"

#include <unistd.h>

#include <atomic>
#include <system_error>

namespace platform {

namespace {

constexpr const wchar_t* kCacheFolder = L"C:\\Windows\\Temporary Internet Files";
constexpr size_t kLongestName = 100;

// The URL's last path segment, without query or fragment, in characters safe in any file system;
// "download" when nothing is left.
std::wstring fileNameOf(const std::wstring& url) {
    std::wstring path = url.substr(0, url.find_first_of(L"?#"));
    const size_t scheme = path.find(L"://");
    if (scheme != std::wstring::npos && path.find(L'/', scheme + 3) == std::wstring::npos) path.clear();
    std::wstring name = path.substr(path.find_last_of(L"/\\:") + 1);
    for (wchar_t& c : name) {
        const bool safe = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
                          c == L'.' || c == L'-' || c == L'_';
        if (!safe) c = L'_';
    }
    if (name.size() > kLongestName) name.resize(kLongestName);
    if (name.empty() || name == L"." || name == L"..") name = L"download";
    return name;
}

std::filesystem::path cacheFolder() { return windowsFolder() / "Temporary Internet Files"; }

}  // namespace

std::unique_ptr<UrlCacheFile> UrlCacheFile::create(const std::wstring& url) {
    static std::atomic<unsigned> counter{0};
    std::error_code error;
    std::filesystem::create_directories(cacheFolder(), error);
    if (error) return nullptr;
    // Processes share the folder: each download takes a folder no other has taken.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string folder = std::to_string(::getpid()) + "-" + std::to_string(counter++);
        if (!std::filesystem::create_directory(cacheFolder() / folder, error)) {
            if (error) return nullptr;
            continue;
        }
        const std::wstring name = fileNameOf(url);
        const std::wstring windowsPath = std::wstring(kCacheFolder) + L"\\" +
                                         std::wstring(folder.begin(), folder.end()) + L"\\" + name;
        std::unique_ptr<UrlCacheFile> made(new UrlCacheFile(cacheFolder() / folder, windowsPath));
        made->file_.open(made->folder_ / std::filesystem::path(name), std::ios::binary | std::ios::trunc);
        return made->file_ ? std::move(made) : nullptr;
    }
    return nullptr;
}

UrlCacheFile::UrlCacheFile(std::filesystem::path folder, std::wstring windowsPath)
    : folder_(std::move(folder)), windowsPath_(std::move(windowsPath)) {}

UrlCacheFile::~UrlCacheFile() {
    file_.close();
    std::error_code error;
    std::filesystem::remove_all(folder_, error);
}

bool UrlCacheFile::append(const std::string& bytes) {
    file_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file_);
}

bool UrlCacheFile::finish() {
    file_.close();
    return !file_.fail();
}

}  // namespace platform
