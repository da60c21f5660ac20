// The loopback camera program's options for its device side:
//   --device-port N              port of the device link (default 8081; 0 picks a free one)
//   --device-address A           loopback address it listens on (default 127.0.0.1)
//   --alarm-interval S           seconds between alarm texts (default 10)
//   --line T:R,G,B:X,Y/X,Y/...   one line of the status record of type T (2, 3, 4 or 10), in
//                                picture pixels; repeat it for more lines
//   --label R,G,B:X,Y:TEXT       one label of the type-4 status record; repeat it for more labels
// Each status record that has a line or a label is sent on every link after its greeting.
#pragma once

#include "tests/support/device_records.h"
#include "tests/support/loopback_device_service.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

class DevicePeerOptions {
public:
    using NextValue = std::function<std::string()>;

    // Takes arg, and its value through next, when it is one of these options; throws
    // std::invalid_argument for a bad value.
    bool Parse(const std::string& arg, const NextValue& next);
    test_support::LoopbackDeviceServiceOptions ServiceOptions() const;
    static const char* Usage();

private:
    int port_ = 8081;
    std::string address_ = "127.0.0.1";
    int alarmSeconds_ = 10;
    std::map<int32_t, std::vector<test_support::StatusLine>> lines_;  // by record type
    std::vector<test_support::StatusLabel> labels_;
};
