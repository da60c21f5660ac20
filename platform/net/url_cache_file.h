// The file a download is delivered into when its binding asks for one (BINDF_NEEDFILE), as the
// platform's downloader keeps it in the internet cache folder, "C:\Windows\Temporary Internet
// Files": a folder of its own there per download, holding one file named after the URL's last
// path segment. Whoever owns it owns the file: it is deleted, with its folder, when this goes.
#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace platform {

class UrlCacheFile {
public:
    // Null when the folder or the file cannot be made.
    static std::unique_ptr<UrlCacheFile> create(const std::wstring& url);
    ~UrlCacheFile();
    UrlCacheFile(const UrlCacheFile&) = delete;
    UrlCacheFile& operator=(const UrlCacheFile&) = delete;

    // The file's name as the platform writes it ("C:\...").
    const std::wstring& windowsPath() const { return windowsPath_; }
    // False once a write failed.
    bool append(const std::string& bytes);
    // Everything written reaches the file; false when it did not.
    bool finish();

private:
    UrlCacheFile(std::filesystem::path folder, std::wstring windowsPath);

    std::filesystem::path folder_;
    std::wstring windowsPath_;
    std::ofstream file_;
};

}  // namespace platform
