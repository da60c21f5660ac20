#include "bench/support/grain_file.h"

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

namespace bench_support {

std::filesystem::path GrainFile(int pictures) {
    std::error_code error;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("veltrin-bench-" + std::to_string(getuid()));
    std::filesystem::create_directories(folder, error);
    const std::filesystem::path file = folder / ("grain-1080p25-" + std::to_string(pictures) + ".mp4");
    if (std::filesystem::exists(file, error)) return file;
    // Written under another name and renamed, so that a run stopped halfway leaves no short file.
    const std::filesystem::path part = folder / (file.filename().string() + "." + std::to_string(getpid()) + ".part");
    const std::string command =
        "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=size=1920x1080:rate=25 -frames:v " +
        std::to_string(pictures) +
        " -vf noise=alls=12:allf=t -pix_fmt yuv420p -c:v libx264 -preset veryfast -profile:v main "
        "-x264-params bframes=0:keyint=25:bitrate=6000:vbv-maxrate=6000:vbv-bufsize=6000 -f mp4 '" +
        part.string() + "'";
    if (std::system(command.c_str()) != 0) {
        std::filesystem::remove(part, error);
        return {};
    }
    std::filesystem::rename(part, file, error);
    return error ? std::filesystem::path() : file;
}

}  // namespace bench_support
