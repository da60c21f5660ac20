#include "app/player/osd_text.h"

#include <cstdio>
#include <cstring>

namespace {

// The names and date patterns are kept as GBK bytes, the code page the text renderer reads, so
// the display needs no conversion at start-up or per picture and the source stays in one encoding
// whatever the compiler's execution character set.
constexpr int kNameCount = 7;

// 星期日 .. 星期六, Sunday first.
const char* const kWeekdayNames[kNameCount] = {
    "\xD0\xC7\xC6\xDA\xC8\xD5", "\xD0\xC7\xC6\xDA\xD2\xBB", "\xD0\xC7\xC6\xDA\xB6\xFE", "\xD0\xC7\xC6\xDA\xC8\xFD",
    "\xD0\xC7\xC6\xDA\xCB\xC4", "\xD0\xC7\xC6\xDA\xCE\xE5", "\xD0\xC7\xC6\xDA\xC1\xF9",
};

// 通道一 .. 通道七, channel one first.
const char* const kChannelNames[kNameCount] = {
    "\xCD\xA8\xB5\xC0\xD2\xBB", "\xCD\xA8\xB5\xC0\xB6\xFE", "\xCD\xA8\xB5\xC0\xC8\xFD", "\xCD\xA8\xB5\xC0\xCB\xC4",
    "\xCD\xA8\xB5\xC0\xCE\xE5", "\xCD\xA8\xB5\xC0\xC1\xF9", "\xCD\xA8\xB5\xC0\xC6\xDF",
};

enum class DateOrder { YearMonthDay, MonthDayYear, DayMonthYear };

struct DatePattern {
    const char* pattern;
    DateOrder order;
};

// By date-format code; 0 and any code above 8 use the first.
const DatePattern kDatePatterns[] = {
    {"%d-%02d-%02d", DateOrder::YearMonthDay},
    {"%02d-%02d-%d", DateOrder::MonthDayYear},
    {"%02d-%02d-%d", DateOrder::DayMonthYear},
    {"%d\xC4\xEA%d\xD4\xC2%d\xC8\xD5", DateOrder::YearMonthDay},  // %d年%d月%d日
    {"%d\xD4\xC2%d\xC8\xD5%d\xC4\xEA", DateOrder::MonthDayYear},  // %d月%d日%d年
    {"%d\xC8\xD5%d\xD4\xC2%d\xC4\xEA", DateOrder::DayMonthYear},  // %d日%d月%d年
    {"%d/%d/%d", DateOrder::YearMonthDay},
    {"%d/%d/%d", DateOrder::MonthDayYear},
    {"%d/%d/%d", DateOrder::DayMonthYear},
};
constexpr uint32_t kDatePatternCount = sizeof(kDatePatterns) / sizeof(kDatePatterns[0]);

// The growing line: each item appended at the current end, never past the buffer.
class LineWriter {
public:
    LineWriter(char* out, size_t size) : out_(out), size_(size) {
        if (size_ > 0) out_[0] = '\0';
    }
    bool empty() const { return length_ == 0; }
    size_t length() const { return length_; }

    // The formats come from the fixed tables above (the date patterns chosen by the record's
    // code), never from outside, and each is used with the argument types its table gives.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    template <typename... Values>
    void append(const char* format, Values... values) {
        if (length_ + 1 >= size_) return;
        const int written = std::snprintf(out_ + length_, size_ - length_, format, values...);
        if (written <= 0) return;
        const size_t room = size_ - length_ - 1;
        length_ += static_cast<size_t>(written) < room ? static_cast<size_t>(written) : room;
    }
#pragma GCC diagnostic pop

private:
    char* out_;
    size_t size_;
    size_t length_ = 0;
};

void appendDate(const OsdRecord& record, LineWriter& line) {
    const DatePattern& date = kDatePatterns[record.dateFormat < kDatePatternCount ? record.dateFormat : 0];
    const int year = record.year;
    const int month = record.month;
    const int day = record.day;
    switch (date.order) {
        case DateOrder::YearMonthDay:
            line.append(date.pattern, year, month, day);
            break;
        case DateOrder::MonthDayYear:
            line.append(date.pattern, month, day, year);
            break;
        case DateOrder::DayMonthYear:
            line.append(date.pattern, day, month, year);
            break;
    }
}

const char* nameAt(const char* const (&names)[kNameCount], int index) {
    return index >= 0 && index < kNameCount ? names[index] : nullptr;
}

}  // namespace

int OsdTextSize(int shownHeight) { return shownHeight * 52 / 1080; }

size_t FormatOsdLine(const OsdRecord& record, char* out, size_t size) {
    LineWriter line(out, size);
    const uint32_t flags = record.showFlags;
    if (flags & kOsdShowDate) appendDate(record, line);
    if (flags & kOsdShowTime) {
        const int hour = record.hour;
        const int minute = record.minute;
        const int second = record.second;
        line.append(line.empty() ? "%02d:%02d:%02d" : " %02d:%02d:%02d", hour, minute, second);
    }
    if (flags & kOsdShowWeekday) {
        if (const char* name = nameAt(kWeekdayNames, record.weekday)) line.append(line.empty() ? "%s" : " %s", name);
    }
    if (flags & kOsdShowChannel) {
        if (const char* name = nameAt(kChannelNames, record.channel))
            line.append(line.empty() ? "%s" : "            %s", name);
    }
    return line.length();
}

void LayOutOsd(const OsdRecord& record, int width, int shownHeight, OsdText* text) {
    const int size = OsdTextSize(shownHeight);
    text->size = size;
    FormatOsdLine(record, text->line, sizeof(text->line));
    text->lineX = size - 8;
    text->lineY = shownHeight - 2 * size;
    // The record's field may lack a terminator: it is read up to its end at most.
    size_t length = 0;
    if (record.showFlags & kOsdShowLocation) {
        while (length < kOsdLocationSize && record.location[length] != '\0') ++length;
    }
    std::memcpy(text->location, record.location, length);
    text->location[length] = '\0';
    text->locationX = width / 2 - static_cast<int>(length) * size / 4;
    text->locationY = 3 * size;
}
