// The camera view's recording of its stream to MP4 and its JPEG snapshots of the picture on screen,
// each into a file named by the local time in a folder the page names.
#include "app/player/video_player.h"

#include "app/player/jpeg_snapshot.h"
#include "app/player/save_file_name.h"
#include "app/util/code_page_text.h"
#include "app/util/critical_section_hold.h"

#include <cassert>
#include <cstring>

namespace {

constexpr size_t kRecordingNameSize = 256;
constexpr size_t kSnapshotNameSize = 1024;
constexpr int kAnsiFolderSize = 1023;

// Creates every missing level of the folder, named in the ANSI code page.
void MakeFolder(const char* ansiFolder) { MakeDirTree((std::string(ansiFolder) + "\\").c_str()); }

}  // namespace

// The file is named from the folder's ANSI form, the form its levels were created with, so that a
// folder outside ASCII holds its recordings.
int CVideoPlayer::StartRecord(const std::string& folder) {
    assert(OnOwnerThread());
    if (!playing_ || !NamesAFolder(folder.c_str()) || recorder_.recording()) return -1;
    char ansiFolder[kAnsiFolderSize];
    Utf8ToAnsi(ansiFolder, folder.c_str(), kAnsiFolderSize);
    char name[kRecordingNameSize];
    if (!FormatSaveFileName(name, sizeof(name), ansiFolder, "mp4")) return -1;
    MakeFolder(ansiFolder);
    return recorder_.Start(name, width_, shownHeight());
}

void CVideoPlayer::StopRecord() { recorder_.Stop(); }

// Compression runs outside every lock; only the copy of the picture holds the render-queue lock.
int CVideoPlayer::Snapshot(const char* ansiFolder) {
    assert(OnOwnerThread());
    if (!playing_ || !NamesAFolder(ansiFolder)) return -1;
    char name[kSnapshotNameSize];
    if (!FormatSaveFileName(name, sizeof(name), ansiFolder, "jpg")) return -1;
    SampleRange range = SampleRange::Studio;
    const std::vector<uint8_t> picture = CopyOldestPicture(&range);
    if (picture.empty()) return -1;
    MakeFolder(ansiFolder);
    return WriteJpegFile(name, picture.data(), width_, shownHeight(), range);
}

std::vector<uint8_t> CVideoPlayer::CopyOldestPicture(SampleRange* range) {
    const size_t pictureSize = static_cast<size_t>(width_) * static_cast<size_t>(shownHeight()) * 3 / 2;
    if (pictureSize == 0) return {};
    std::vector<uint8_t> copy(pictureSize);
    CriticalSectionHold hold(renderQueueLock_);
    if (renderQueue_.empty() || renderQueue_.front()->length != static_cast<int32_t>(pictureSize)) return {};
    std::memcpy(copy.data(), renderQueue_.front()->data, pictureSize);
    *range = pictureRange_;
    return copy;
}
