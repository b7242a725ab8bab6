#include "render.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "host_error.h"

#if defined(_WIN32)
#include <process.h>
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace ksrhost {

namespace {

// render_map.py's exit status when the Python running it lacks matplotlib.
constexpr int kNoMatplotlib = 3;
// Our status for a Python that could not be started.
constexpr int kNotStarted = -1;
#if !defined(_WIN32)
// The child's status when exec failed.
constexpr int kExecFailed = 127;
#endif

std::string rendererScript() {
#if defined(_WIN32)
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    const std::filesystem::path beside = std::filesystem::path(self).parent_path() / "render_map.py";
#else
    std::error_code error;
    const std::filesystem::path beside =
        std::filesystem::read_symlink("/proc/self/exe", error).parent_path() / "render_map.py";
#endif
    std::error_code missing;
    if (std::filesystem::exists(beside, missing)) return beside.string();
    return KSRHOST_RENDERER_SOURCE;
}

// Every python3 and python on PATH, in PATH's order, each file once.
std::vector<std::filesystem::path> pythonsOnPath() {
#if defined(_WIN32)
    constexpr char kSeparator = ';';
    const char* names[] = {"python3.exe", "python.exe"};
#else
    constexpr char kSeparator = ':';
    const char* names[] = {"python3", "python"};
#endif
    std::vector<std::filesystem::path> found;
    const char* path = std::getenv("PATH");
    std::string rest = path != nullptr ? path : "";
    while (true) {
        const size_t end = rest.find(kSeparator);
        const std::string folder = rest.substr(0, end);
        for (const char* name : names) {
            std::error_code error;
            const std::filesystem::path candidate = std::filesystem::path(folder.empty() ? "." : folder) / name;
            if (!std::filesystem::is_regular_file(candidate, error)) continue;
            const std::filesystem::path real = std::filesystem::weakly_canonical(candidate, error);
            if (std::find(found.begin(), found.end(), real) == found.end()) found.push_back(real);
        }
        if (end == std::string::npos) break;
        rest.erase(0, end + 1);
    }
    return found;
}

// Runs the interpreter with the script and arguments; its exit status, or
// kNotStarted.
int runPython(const std::filesystem::path& interpreter, const std::string& script,
              const std::vector<std::string>& arguments) {
    const std::string program = interpreter.string();
    std::vector<const char*> argv{program.c_str(), script.c_str()};
    for (const std::string& a : arguments) argv.push_back(a.c_str());
    argv.push_back(nullptr);
#if defined(_WIN32)
    const intptr_t status = _spawnv(_P_WAIT, program.c_str(), argv.data());
    return status < 0 ? kNotStarted : static_cast<int>(status);
#else
    const pid_t child = fork();
    if (child == 0) {
        execv(program.c_str(), const_cast<char* const*>(argv.data()));
        _exit(kExecFailed);
    }
    int wait = 0;
    if (child < 0 || waitpid(child, &wait, 0) != child || !WIFEXITED(wait)) return kNotStarted;
    const int status = WEXITSTATUS(wait);
    return status == kExecFailed ? kNotStarted : status;
#endif
}

}  // namespace

void renderPicture(const std::vector<std::string>& arguments, const std::string& png,
                   const std::vector<std::string>& written) {
    const std::string script = rendererScript();
    std::string files;
    for (const std::string& f : written) files += (files.empty() ? "" : ", ") + f;
    // The first Python on PATH that has matplotlib draws; one without it
    // (a virtual environment, say) hands on to the next.
    int status = kNotStarted;
    std::string tried;
#if defined(_WIN32)
    _putenv("KSRHOST_TRYING_PYTHONS=1");
#else
    setenv("KSRHOST_TRYING_PYTHONS", "1", 1);
#endif
    for (const std::filesystem::path& python : pythonsOnPath()) {
        status = runPython(python, script, arguments);
        if (status != kNotStarted) tried += (tried.empty() ? "" : ", ") + python.string();
        if (status != kNotStarted && status != kNoMatplotlib) break;
    }
    if (status == kNotStarted) {
        throw FileError("--png: cannot draw '" + png +
                        "': no python3 or python found on PATH (it needs Python 3 with matplotlib); the CSV files "
                        "are written: " + files);
    }
    if (status == kNoMatplotlib) {
        throw FileError("--png: cannot draw '" + png + "': no Python on PATH has matplotlib (tried " + tried +
                        "; install python3-matplotlib, or pip install matplotlib); the CSV "
                        "files are written: " + files);
    }
    if (status != 0) {
        throw FileError("--png: drawing '" + png + "' with " + script + " failed (see above); the CSV files are written: " +
                        files);
    }
}

}  // namespace ksrhost
