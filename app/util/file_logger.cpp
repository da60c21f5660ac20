#include "app/util/file_logger.h"

#include "app/util/file_owner.h"
#include "app/util/registry_settings.h"
#include "platform/text/win_code_page.h"
#include "platform/files/win_file.h"
#include "platform/time/win_local_time.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace {

constexpr const char* kLogPath = "d:\\log.txt";
constexpr const char* kBackupPath = "d:\\log_bak.txt";
constexpr int kStampSize = 254;
constexpr int kWidePathSize = 512;

std::atomic<int> enabled{0};
int users = 0;  // guarded by logLock()

// One lock for the whole process, made on first use and never destroyed, so that a thread still
// writing while the last user leaves (or while the process exits) never meets a dead lock.
std::mutex& logLock() {
    static std::mutex* lock = new std::mutex;
    return *lock;
}

// "[%Y-%m-%d %H:%M:%S] " of the local time now.
void formatStamp(char (&stamp)[kStampSize]) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    std::tm local{};
    local.tm_year = now.wYear - 1900;
    local.tm_mon = now.wMonth - 1;
    local.tm_mday = now.wDay;
    local.tm_hour = now.wHour;
    local.tm_min = now.wMinute;
    local.tm_sec = now.wSecond;
    local.tm_wday = now.wDayOfWeek;
    if (std::strftime(stamp, sizeof(stamp), "[%Y-%m-%d %H:%M:%S] ", &local) == 0) stamp[0] = '\0';
}

bool toWidePath(const char* ansiPath, wchar_t (&wide)[kWidePathSize]) {
    return MultiByteToWideChar(CP_ACP, 0, ansiPath, -1, wide, kWidePathSize) > 0;
}

long fileSize(const char* path) {
    const FileOwner file = OpenAnsiFile(path, "rb");
    if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) return -1;
    return std::ftell(file.get());
}

// Keeps one backup: a log past the limit replaces the previous backup. Failures are ignored;
// the next line then simply goes on growing the same file.
void rotateIfTooLarge() {
    if (fileSize(kLogPath) <= FileLogger::kRotationSize) return;
    wchar_t logPath[kWidePathSize];
    wchar_t backupPath[kWidePathSize];
    if (!toWidePath(kLogPath, logPath) || !toWidePath(kBackupPath, backupPath)) return;
    _wremove(backupPath);
    _wrename(logPath, backupPath);
}

void appendLine(const char* stamp, const char* message) {
    const FileOwner file = OpenAnsiFile(kLogPath, "a+");
    if (!file) return;  // the line is lost, silently
    std::fprintf(file.get(), "%s%s\n", stamp, message);
}

}  // namespace

int FileLogger::Init() {
    std::lock_guard<std::mutex> guard(logLock());
    if (users == 0) {
        std::string debug;
        RegistrySettings::GetString(L"Debug", debug);
        enabled = debug == "1" ? 1 : 0;
    }
    ++users;
    return 1;
}

int FileLogger::Release() {
    std::lock_guard<std::mutex> guard(logLock());
    if (users > 0) --users;
    return 1;
}

void FileLogger::Write(const char* format, ...) {
    if (!enabled || !format) return;
    std::lock_guard<std::mutex> guard(logLock());
    char message[kMessageSize];
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(message, sizeof(message), format, arguments);
    va_end(arguments);
    if (length < 0) message[0] = '\0';
    char stamp[kStampSize];
    formatStamp(stamp);
    rotateIfTooLarge();
    appendLine(stamp, message);
}
