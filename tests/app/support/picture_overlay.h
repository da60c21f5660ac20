// What an overlay writes into an I420 picture, found by drawing it twice: the bytes that come out
// the same whether the picture held 0 or 255 before are the overlay's. A picture shows the overlay
// when it holds every one of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace test_support {

class Overlay {
public:
    Overlay(int width, int height, const std::function<void(uint8_t*)>& draw)
        : over0_(static_cast<size_t>(width) * height * 3 / 2, 0), over255_(over0_.size(), 255) {
        draw(over0_.data());
        draw(over255_.data());
    }
    // How many of the written bytes the picture holds.
    size_t Matching(const std::vector<uint8_t>& picture) const {
        if (picture.size() != over0_.size()) return 0;
        size_t matching = 0;
        for (size_t i = 0; i < picture.size(); ++i) matching += over0_[i] == over255_[i] && picture[i] == over0_[i];
        return matching;
    }
    size_t Written() const { return Matching(over0_); }
    bool ShownIn(const std::vector<uint8_t>& picture) const { return Written() > 0 && Matching(picture) == Written(); }

private:
    std::vector<uint8_t> over0_;
    std::vector<uint8_t> over255_;
};

}  // namespace test_support
