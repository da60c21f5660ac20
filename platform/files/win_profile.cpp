#include "platform/files/win_profile.h"

#include "platform/text/ansi_code_page.h"
#include "platform/files/drive_root.h"
#include "platform/files/path_mapping.h"
#include "platform/text/utf_text.h"
#include "platform/files/win_file_store.h"

#include <algorithm>
#include <cwctype>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::wstring>;

// Settings files are small; one lock keeps a read from meeting a half-done change in this process.
std::mutex profileLock;

bool isBareName(std::wstring_view name) { return name.find_first_of(L"\\/") == std::wstring_view::npos; }

std::filesystem::path profilePath(LPCWSTR fileName) {
    if (isBareName(fileName)) return platform::windowsFolder() / platform::wideToUtf8Text(fileName);
    return platform::hostPath(fileName);
}

std::wstring_view trimmed(std::wstring_view text) {
    const auto isBlank = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r'; };
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool sameName(std::wstring_view a, std::wstring_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](wchar_t x, wchar_t y) {
        return std::towlower(static_cast<wint_t>(x)) == std::towlower(static_cast<wint_t>(y));
    });
}

std::optional<std::wstring_view> sectionNameOf(std::wstring_view line) {
    line = trimmed(line);
    if (line.empty() || line.front() != L'[') return std::nullopt;
    const auto close = line.find(L']');
    if (close == std::wstring_view::npos) return std::nullopt;
    return trimmed(line.substr(1, close - 1));
}

std::optional<std::wstring_view> keyNameOf(std::wstring_view line) {
    const auto equals = line.find(L'=');
    if (equals == std::wstring_view::npos) return std::nullopt;
    return trimmed(line.substr(0, equals));
}

std::wstring_view valueOf(std::wstring_view line) {
    std::wstring_view value = trimmed(line.substr(line.find(L'=') + 1));
    if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

// Settings files hold a few lines; a larger file is refused before it is read.
constexpr std::uintmax_t kMaxProfileBytes = 1024 * 1024;

// No lines when there is no file yet; nothing when the file cannot be read or is too large, so
// that a write never replaces it.
std::optional<Lines> readLines(const std::filesystem::path& file) {
    const std::optional<std::string> bytes = platform::readWholeFile(file, kMaxProfileBytes);
    if (!bytes) return std::nullopt;
    const std::wstring text = platform::ansiToWideText(*bytes);
    Lines lines;
    std::wstring_view rest(text);
    while (!rest.empty()) {
        const auto end = rest.find(L'\n');
        std::wstring_view line = rest.substr(0, end);
        if (!line.empty() && line.back() == L'\r') line.remove_suffix(1);
        lines.emplace_back(line);
        rest = end == std::wstring_view::npos ? std::wstring_view() : rest.substr(end + 1);
    }
    return lines;
}

bool writeLines(const std::filesystem::path& file, const Lines& lines) {
    std::wstring text;
    for (const auto& line : lines) text += line + L"\r\n";
    return platform::replaceFile(file, platform::wideToAnsiText(text));
}

struct SectionRange {
    size_t header;  // index of the "[name]" line
    size_t end;     // one past its last line
};

std::optional<SectionRange> findSection(const Lines& lines, std::wstring_view section) {
    for (size_t i = 0; i < lines.size(); ++i) {
        auto name = sectionNameOf(lines[i]);
        if (!name || !sameName(*name, section)) continue;
        size_t end = i + 1;
        while (end < lines.size() && !sectionNameOf(lines[end])) ++end;
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<size_t> findKey(const Lines& lines, const SectionRange& range, std::wstring_view key) {
    for (size_t i = range.header + 1; i < range.end; ++i) {
        auto name = keyNameOf(lines[i]);
        if (name && sameName(*name, key)) return i;
    }
    return std::nullopt;
}

// Applies one write to the lines; answers whether anything changed.
bool applyWrite(Lines& lines, LPCWSTR section, LPCWSTR key, LPCWSTR value) {
    auto range = findSection(lines, section);
    if (!key) {
        if (!range) return false;
        lines.erase(lines.begin() + range->header, lines.begin() + range->end);
        return true;
    }
    constexpr size_t kNone = static_cast<size_t>(-1);
    const size_t at = range ? findKey(lines, *range, key).value_or(kNone) : kNone;
    if (!value) {
        if (at == kNone) return false;
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
        return true;
    }
    const std::wstring line = std::wstring(key) + L"=" + value;
    if (at != kNone) {
        lines[at] = line;
    } else if (range) {
        lines.insert(lines.begin() + range->end, line);
    } else {
        lines.push_back(L"[" + std::wstring(section) + L"]");
        lines.push_back(line);
    }
    return true;
}

}  // namespace

DWORD WINAPI GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault, LPWSTR lpReturnedString,
                                      DWORD nSize, LPCWSTR lpFileName) {
    if (!lpReturnedString || nSize == 0) return 0;
    std::wstring result(trimmed(lpDefault ? lpDefault : L""));
    if (lpAppName && lpKeyName && lpFileName) {
        std::lock_guard<std::mutex> guard(profileLock);
        const Lines lines = readLines(profilePath(lpFileName)).value_or(Lines{});
        if (auto range = findSection(lines, lpAppName)) {
            if (auto at = findKey(lines, *range, lpKeyName)) result = valueOf(lines[*at]);
        }
    }
    const size_t copied = std::min<size_t>(result.size(), nSize - 1);
    std::copy_n(result.begin(), copied, lpReturnedString);
    lpReturnedString[copied] = L'\0';
    return static_cast<DWORD>(copied);
}

BOOL WINAPI WritePrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString, LPCWSTR lpFileName) {
    if (!lpAppName || !lpFileName) return FALSE;
    std::lock_guard<std::mutex> guard(profileLock);
    const std::filesystem::path file = profilePath(lpFileName);
    if (isBareName(lpFileName)) {
        std::error_code ignored;
        std::filesystem::create_directories(file.parent_path(), ignored);
    }
    std::optional<Lines> lines = readLines(file);
    if (!lines) return FALSE;
    if (!applyWrite(*lines, lpAppName, lpKeyName, lpString)) return TRUE;
    return writeLines(file, *lines) ? TRUE : FALSE;
}
