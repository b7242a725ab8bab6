// ksrhost predict's peak memory against its number of seats: a scene of
// ARRAYS copies of the 12-box example design and a seats file of SEATS
// listeners, predicted as the user runs it (the summary on the standard
// output, which goes to /dev/null). The peak resident size is the child's
// ru_maxrss. Streaming keeps it independent of SEATS.
//
//   ksrhost_predict_memory_bench [SEATS [ARRAYS]]   (default 1000000 1)

#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string sceneText(int arrays) {
    std::string text = "{\"arrays\": [\n";
    for (int a = 0; a < arrays; ++a) {
        // Arrays on a line across the front of a wide hall, all aiming down the hall.
        text += std::string(a == 0 ? "" : ",\n") + "{\"name\": \"array " + std::to_string(a + 1) +
                "\", \"design\": \"" KSR_SOURCE_DIR "/tools/ksrhost/examples/ksr12_flown.json\", \"positionM\": [" +
                std::to_string(-31 + 2 * a) + ", 0, 10], \"anglesDeg\": [0, -3, 0]}";
    }
    return text + "\n]}\n";
}

}  // namespace

int main(int argc, char** argv) {
    const long seats = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1000000;
    const int arrays = argc > 2 ? std::atoi(argv[2]) : 1;
    if (seats < 1 || seats > 1000000 || arrays < 1 || arrays > 64) {
        std::fprintf(stderr, "usage: %s [SEATS 1..1000000 [ARRAYS 1..64]]\n", argv[0]);
        return 1;
    }
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("ksrhost-predict-memory-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string scene = (folder / "scene.json").string(), seatsFile = (folder / "seats.csv").string();
    std::ofstream(scene) << sceneText(arrays);
    {
        std::ofstream out(seatsFile);
        for (long i = 0; i < seats; ++i) {
            out << (i % 1000) * 0.06 - 30.0 << "," << -3.0 - (i / 1000) * 0.06 << ",1.2\n";
        }
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 1);
        dup2(quiet, 2);
        execl(KSRHOST_PATH, "ksrhost", "predict", scene.c_str(), "--seats", seatsFile.c_str(), "--format", "summary",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    const bool waited = child > 0 && wait4(child, &status, 0, &usage) == child;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::filesystem::remove_all(folder);
    if (!waited || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "ksrhost predict failed (status %d)\n", status);
        return 1;
    }
    std::printf("predict of %ld seats, %d array%s: peak resident %.1f MB, %.1f s\n", seats, arrays,
                arrays == 1 ? "" : "s", static_cast<double>(usage.ru_maxrss) / 1024.0, seconds);
    return 0;
}
