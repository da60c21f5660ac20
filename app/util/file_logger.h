// The application's diagnostic log, shared by every plug-in instance of the process: one line per
// message, "[%Y-%m-%d %H:%M:%S] " and the message, appended to d:\log.txt. It is on only when the
// per-user setting "Debug" is exactly "1", read when the first user arrives. A log grown past
// 100 MiB becomes d:\log_bak.txt (replacing the old backup) before the next line is written.
#pragma once

#if defined(__GNUC__)
#define FILE_LOGGER_PRINTF_FORMAT __attribute__((format(printf, 1, 2)))
#else
#define FILE_LOGGER_PRINTF_FORMAT
#endif

class FileLogger {
public:
    // Takes a reference on the log; the first one decides whether logging is on. Returns 1.
    static int Init();
    // Drops a reference. Returns 1.
    static int Release();
    // Formats with printf rules and appends one line when logging is on. A message longer than
    // kMessageSize - 1 bytes is cut. Failures to write are silent.
    static void Write(const char* format, ...) FILE_LOGGER_PRINTF_FORMAT;

    static constexpr int kMessageSize = 2044;
    static constexpr long kRotationSize = 104857600;  // 100 MiB; a larger log is rotated
};
