#include "platform/registry/registry_hive_file.h"

#include "platform/files/win_file_store.h"

#include <json/reader.h>
#include <json/writer.h>
#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <mutex>

namespace platform {

std::optional<RegistryKey> parseHive(std::string_view text) {
    if (text.empty()) return RegistryKey{};
    Json::Value json;
    Json::CharReaderBuilder builder;
    std::string errors;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    // The library throws rather than answers for some damaged files (nesting deeper than the
    // reader's limit, values of an unexpected type): such a hive is unreadable too.
    try {
        if (!reader->parse(text.data(), text.data() + text.size(), &json, &errors)) return std::nullopt;
        return RegistryKey::fromJson(json);
    } catch (const Json::Exception&) {
        return std::nullopt;
    }
}

namespace {

// Holds the cross-process lock of one hive for as long as it lives.
class HiveLock {
public:
    explicit HiveLock(const std::filesystem::path& lockFile)
        : fd_(::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
        if (fd_ >= 0) ::flock(fd_, LOCK_EX);
    }
    ~HiveLock() {
        if (fd_ >= 0) ::close(fd_);  // closing the descriptor releases the lock
    }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_;
};

// Far more than the few keys the system keeps; a larger file is refused before it is read.
constexpr std::uintmax_t kMaxHiveBytes = 16 * 1024 * 1024;

// An empty hive when there is no file yet; nothing when the file cannot be read, is too large or
// does not parse, so that the caller never replaces it.
std::optional<RegistryKey> readHive(const std::filesystem::path& file) {
    const std::optional<std::string> text = readWholeFile(file, kMaxHiveBytes);
    if (!text) return std::nullopt;
    return parseHive(*text);
}

bool writeHive(const std::filesystem::path& file, const RegistryKey& root) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "  ";
    return replaceFile(file, Json::writeString(builder, root.toJson()) + "\n");
}

}  // namespace

std::filesystem::path registryFolder() {
    if (const char* dir = std::getenv("VELTRIN_REGISTRY_DIR"); dir && *dir) return dir;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) {
        return std::filesystem::path(config) / "veltrin" / "registry";
    }
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : "/tmp") / ".config" / "veltrin" / "registry";
}

HiveAccess accessHive(const std::string& fileStem, const std::function<bool(RegistryKey& root)>& change) {
    // flock already excludes other descriptors of this process; the mutex keeps threads from
    // queueing on the file lock and makes the order of changes plain.
    static std::mutex processLock;
    std::lock_guard<std::mutex> guard(processLock);
    const std::filesystem::path folder = registryFolder();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    HiveLock lock(folder / (fileStem + ".lock"));
    if (!lock.held()) return HiveAccess::Unreadable;
    const std::filesystem::path file = folder / (fileStem + ".json");
    auto root = readHive(file);
    if (!root) return HiveAccess::Unreadable;
    if (!change(*root)) return HiveAccess::Done;
    return writeHive(file, *root) ? HiveAccess::Done : HiveAccess::Unwritable;
}

}  // namespace platform
