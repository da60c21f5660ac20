#include "tools/loopback_camera/device_peer_options.h"
#include "tools/loopback_camera/option_number.h"

#include "platform/text/utf_text.h"
#include "platform/text/win_code_page.h"

#include <cstdlib>
#include <stdexcept>

namespace {

using test_support::StatusLabel;
using test_support::StatusLine;
using test_support::StatusPoint;

std::vector<std::string> Split(const std::string& text, char separator, size_t maxParts = std::string::npos) {
    std::vector<std::string> parts;
    size_t from = 0;
    size_t at;
    while (parts.size() + 1 < maxParts && (at = text.find(separator, from)) != std::string::npos) {
        parts.push_back(text.substr(from, at - from));
        from = at + 1;
    }
    parts.push_back(text.substr(from));
    return parts;
}

// "R,G,B", each from 0 to 255.
template <typename Coloured>
void ParseColour(const std::string& text, Coloured& target) {
    const auto parts = Split(text, ',');
    if (parts.size() != 3) throw std::invalid_argument("colour must be R,G,B: " + text);
    target.red = static_cast<uint8_t>(OptionNumber(parts[0], 0, 255));
    target.green = static_cast<uint8_t>(OptionNumber(parts[1], 0, 255));
    target.blue = static_cast<uint8_t>(OptionNumber(parts[2], 0, 255));
}

StatusPoint ParsePoint(const std::string& text) {
    const auto parts = Split(text, ',');
    if (parts.size() != 2) throw std::invalid_argument("point must be X,Y: " + text);
    return {static_cast<int32_t>(OptionNumber(parts[0], -100000, 100000)),
            static_cast<int32_t>(OptionNumber(parts[1], -100000, 100000))};
}

// The views read label texts in the ANSI code page; the command line gives UTF-8.
std::string AnsiText(const std::string& utf8) {
    const std::wstring wide = platform::utf8ToWideText(utf8);
    if (wide.empty()) return {};
    std::string ansi(wide.size() * 2, '\0');
    const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(),
                                           static_cast<int>(ansi.size()), nullptr, nullptr);
    if (length <= 0) throw std::invalid_argument("label text has no ANSI form: " + utf8);
    ansi.resize(static_cast<size_t>(length));
    return ansi;
}

}  // namespace

bool DevicePeerOptions::Parse(const std::string& arg, const NextValue& next) {
    if (arg == "--device-port") {
        port_ = static_cast<int>(OptionNumber(next(), 0, 65535));
    } else if (arg == "--device-address") {
        address_ = next();
        if (address_.rfind("127.", 0) != 0) throw std::invalid_argument("the device link serves on loopback only");
    } else if (arg == "--alarm-interval") {
        alarmSeconds_ = static_cast<int>(OptionNumber(next(), 1, 65535));
    } else if (arg == "--line") {
        const std::string value = next();
        const auto parts = Split(value, ':');
        if (parts.size() != 3) throw std::invalid_argument("line must be TYPE:R,G,B:X,Y/X,Y...: " + value);
        const int32_t type = static_cast<int32_t>(OptionNumber(parts[0], 2, 10));
        if (type != test_support::kLineSetShortType && type != test_support::kLineSetType &&
            type != test_support::kFigureSetType && type != test_support::kLineSetBallType)
            throw std::invalid_argument("status record type must be 2, 3, 4 or 10: " + parts[0]);
        StatusLine line;
        ParseColour(parts[1], line);
        for (const std::string& point : Split(parts[2], '/')) line.points.push_back(ParsePoint(point));
        lines_[type].push_back(line);
    } else if (arg == "--label") {
        const std::string value = next();
        const auto parts = Split(value, ':', 3);
        if (parts.size() != 3) throw std::invalid_argument("label must be R,G,B:X,Y:TEXT: " + value);
        StatusLabel label;
        ParseColour(parts[0], label);
        const StatusPoint at = ParsePoint(parts[1]);
        label.x = at.x;
        label.y = at.y;
        label.text = AnsiText(parts[2]);
        labels_.push_back(label);
    } else {
        return false;
    }
    return true;
}

test_support::LoopbackDeviceServiceOptions DevicePeerOptions::ServiceOptions() const {
    test_support::LoopbackDeviceServiceOptions options;
    options.port = static_cast<uint16_t>(port_);
    options.address = address_;
    options.alarmInterval = std::chrono::seconds(alarmSeconds_);
    for (const auto& [type, lines] : lines_) {
        if (type != test_support::kFigureSetType)
            options.statusRecords.push_back({type, test_support::encodeLineSet(type, lines)});
    }
    const auto figureLines = lines_.find(test_support::kFigureSetType);
    if (figureLines != lines_.end() || !labels_.empty()) {
        const std::vector<StatusLine> lines =
            figureLines == lines_.end() ? std::vector<StatusLine>{} : figureLines->second;
        options.statusRecords.push_back({test_support::kFigureSetType, test_support::encodeFigureSet(lines, labels_)});
    }
    return options;
}

const char* DevicePeerOptions::Usage() {
    return "                       [--device-port N] [--device-address 127.x.y.z] [--alarm-interval S]\n"
           "                       [--line TYPE:R,G,B:X,Y/X,Y...] [--label R,G,B:X,Y:TEXT]\n";
}
