// The plug-in's per-user settings: string values under HKEY_CURRENT_USER\Software\ZelkPlugin
// ("Debug", "SnapSavePath", "RecSavePath", "PatternWidth", "PatternHeight"). A value is stored as
// REG_SZ whose data are the ANSI bytes of the text and one zero byte.
#pragma once

#include <string>

class RegistrySettings {
public:
    // 0 and the text (bytes up to the first zero) in value; -1 when the key cannot be opened or
    // the value is missing or longer than 1,023 bytes, leaving value as it was.
    static int GetString(const wchar_t* name, std::string& value);
    // The text of the value, or the empty text when it cannot be read.
    static std::string GetString(const wchar_t* name);
    // 0 when stored; -1 when the key cannot be created or opened or the value cannot be written.
    static int SetString(const wchar_t* name, const char* ansiText);
};
