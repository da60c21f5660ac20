#include "platform/net/url_provider.h"

#include "platform/files/path_mapping.h"
#include "platform/net/urlmon.h"

#include <fstream>

namespace platform {

namespace {

constexpr size_t kPiece = 64 * 1024;

// "file:///C:/a/b.txt", "file:///home/a", "file://C:\a": the path after the scheme and slashes.
std::wstring localPath(const std::wstring& url) {
    std::wstring path = url.substr(5);
    if (path.rfind(L"//", 0) == 0) path.erase(0, 2);
    // "/C:/..." names a drive.
    if (path.size() > 2 && path[0] == L'/' && path[2] == L':') path.erase(0, 1);
    return path;
}

}  // namespace

void serveLocalFile(const UrlRequest& request, const std::shared_ptr<UrlTransfer>& transfer) {
    const std::wstring& url = request.url;
    if (url.size() < 5 || url.compare(0, 5, L"file:") != 0) {
        transfer->finish(INET_E_UNKNOWN_PROTOCOL);
        return;
    }
    std::ifstream file(hostPath(localPath(url)), std::ios::binary | std::ios::ate);
    if (!file) {
        transfer->respond(404, "HTTP/1.1 404 Not Found\r\n\r\n");
        transfer->finish(INET_E_RESOURCE_NOT_FOUND);
        return;
    }
    const auto size = static_cast<unsigned long long>(file.tellg());
    file.seekg(0);
    if (!transfer->respond(200, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(size) + "\r\n\r\n")) {
        transfer->finish(E_ABORT);
        return;
    }
    std::string piece(kPiece, '\0');
    while (file && !transfer->aborted()) {
        file.read(piece.data(), static_cast<std::streamsize>(piece.size()));
        const auto got = static_cast<size_t>(file.gcount());
        if (got > 0 && !transfer->deliver(piece.data(), got)) break;
    }
    transfer->finish(transfer->aborted() ? E_ABORT : S_OK);
}

}  // namespace platform
