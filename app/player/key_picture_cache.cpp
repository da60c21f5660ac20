#include "app/player/key_picture_cache.h"

#include "app/player/nal_unit_kinds.h"
#include "app/util/sei_recovery_point.h"

using namespace nal_unit;

KeyPictureCache::KeyPictureCache(size_t maxBytes) : maxBytes_(maxBytes) { held_.reserve(maxBytes); }

void KeyPictureCache::Clear() {
    held_.clear();
    pictureStart_ = 0;
    holdingKey_ = false;
    holdingIdr_ = false;
    sliceSincePictureStart_ = false;
    recoveryPointInPicture_ = false;
    latestSps_.clear();
    latestPps_.clear();
}

// A picture begins with a delimiter, with an SEI or parameter set after a slice, or with a slice
// that starts again at the first macroblock: the rules the sample assembler follows too. A
// recovery point comes in an SEI in front of its picture's slices.
void KeyPictureCache::TakeUnit(const uint8_t* unit, size_t length) {
    if (unit == nullptr || length == 0) return;
    const int type = TypeOf(unit);
    const bool slice = IsSlice(type);
    const bool firstSlice = slice && StartsAtFirstMacroblock(unit, length);
    if (type == kDelimiter ||
        (sliceSincePictureStart_ && (type == kSei || type == kSps || type == kPps || firstSlice))) {
        PictureBegins();
    }
    if (type == kSps) latestSps_.assign(unit, unit + length);
    if (type == kPps) latestPps_.assign(unit, unit + length);
    if (type == kSei && FindRecoveryPoint(unit, length, nullptr)) recoveryPointInPicture_ = true;
    // An IDR picture held stays held until the next IDR picture: a recording that begins there
    // has whole pictures from its first on, and more of them.
    if (firstSlice && (type == kIdrSlice || (recoveryPointInPicture_ && !holdingIdr_))) {
        KeyPictureBegins(type == kIdrSlice);
    }
    sliceSincePictureStart_ = sliceSincePictureStart_ || slice;
    Append(Kind::kUnit, unit, length);
}

void KeyPictureCache::TakeTime(uint32_t rtpTime) {
    // A new time after a slice opens the next picture.
    if (sliceSincePictureStart_) PictureBegins();
    uint8_t bytes[sizeof rtpTime];
    std::memcpy(bytes, &rtpTime, sizeof rtpTime);
    Append(Kind::kTime, bytes, sizeof bytes);
}

void KeyPictureCache::PictureBegins() {
    sliceSincePictureStart_ = false;
    recoveryPointInPicture_ = false;
    if (!holdingKey_) held_.clear();
    pictureStart_ = held_.size();
}

void KeyPictureCache::KeyPictureBegins(bool idr) {
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(pictureStart_));
    pictureStart_ = 0;
    holdingKey_ = true;
    holdingIdr_ = idr;
    keySps_.assign(latestSps_.begin(), latestSps_.end());
    keyPps_.assign(latestPps_.begin(), latestPps_.end());
}

// Past the bound nothing is held until the next key picture, and the picture being received is
// incomplete: it is dropped where the next picture begins.
void KeyPictureCache::Append(Kind kind, const uint8_t* bytes, size_t length) {
    if (held_.size() + kEntryHeader + length > maxBytes_) {
        held_.clear();
        pictureStart_ = 0;
        holdingKey_ = false;
        holdingIdr_ = false;
        if (kEntryHeader + length > maxBytes_) return;
    }
    const uint32_t length32 = static_cast<uint32_t>(length);
    uint8_t header[kEntryHeader];
    header[0] = static_cast<uint8_t>(kind);
    std::memcpy(header + 1, &length32, sizeof length32);
    held_.insert(held_.end(), header, header + kEntryHeader);
    held_.insert(held_.end(), bytes, bytes + length);
}
