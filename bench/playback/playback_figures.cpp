// Playback figures: the player beside mpv on the same clips, the same screen and the same
// picture size, interleaved in one run.
//
//   P6  CPU time (user + system) of 15 s of playback ÷ mpv's, for a 1080p30 VP9 + Opus clip
//       shown at 720×405 (target ≤ 0.8) and a 4K30 one (target ≤ 1.0); with the pictures
//       the player dropped (target 0) and the median distance of its pictures from the sound
//       (target under 20 ms)
//   P7  peak resident memory of the same run ÷ mpv's (target ≤ 1.0)
//
// Each for the raster and the GL picture path (MOVRA_VIDEO_OUTPUT=raster|gl).
//
// Both run on an Xvfb screen of their own (1920×1080, openbox as the window manager): the
// player as installed in the build (launcher, shell, plug-ins), with its sound going to
// /dev/null the way mpv's goes to --ao=null; mpv as `mpv --no-config --vo=x11 --ao=null`.
// The player's window is sized so that its picture area is 720×405, as mpv's window is.
// The clips are made once with ffmpeg and kept in $MOVRA_BENCH_DIR (default the temporary
// folder). Needs Xvfb, openbox, xdotool, ffmpeg and mpv; scripts/run-benchmarks.sh installs
// mpv when it is missing. MOVRA_BENCH_ROUNDS sets the rounds (default 3); MOVRA_BENCH_OUTPUTS
// names the picture paths to measure (default both: "raster,gl").

#include "common/figures.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>

using namespace MovraBench;

namespace {

constexpr int kSeconds = 15;
constexpr int kAreaWidth = 720;
constexpr int kAreaHeight = 405;

std::string findProgram(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = folder + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return std::string();
}

bool exists(const std::string& path)
{
    struct stat info{};
    return stat(path.c_str(), &info) == 0 && info.st_size > 0;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A child process with its standard output and error in a file.
struct Child
{
    pid_t pid = -1;
    rusage usage{};
    int status = -1;
};

Child spawn(const std::vector<std::string>& arguments, char** environment, const std::string& outputFile)
{
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    const std::string output = outputFile.empty() ? std::string("/dev/null") : outputFile;
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    Child child;
    if (posix_spawn(&child.pid, argv[0], &actions, nullptr, argv.data(), environment) != 0)
        child.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

// Waits for the child at most `seconds`, then ends it. False when it had to be ended.
bool finish(Child* child, double seconds)
{
    const double deadline = MovraBench::seconds() + seconds;
    for (;;) {
        const pid_t done = wait4(child->pid, &child->status, WNOHANG, &child->usage);
        if (done == child->pid)
            return WIFEXITED(child->status);
        if (done < 0 && errno != EINTR)
            return false;
        if (MovraBench::seconds() > deadline) {
            kill(child->pid, SIGKILL);
            wait4(child->pid, &child->status, 0, &child->usage);
            return false;
        }
        usleep(20000);
    }
}

double cpuSeconds(const rusage& usage)
{
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Runs a short tool to its end; its output.
std::string capture(const std::vector<std::string>& arguments, char** environment)
{
    std::string output;
    run(arguments, environment, &output);
    return output;
}

// Xvfb on a free display, with openbox on it; ended when the object goes.
class Screen
{
public:
    bool start(const std::string& xvfb, const std::string& openbox)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return false;
        const std::string fd = std::to_string(fds[1]);
        std::vector<std::string> arguments{xvfb, "-displayfd", fd, "-screen", "0", "1920x1080x24", "-nolisten", "tcp"};
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const int spawned = posix_spawn(&m_xvfb, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        std::string number;
        char c;
        while (spawned == 0 && read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (spawned != 0 || number.empty())
            return false;
        m_display = ":" + number;
        Environment environment({"DISPLAY=" + m_display});
        m_openbox = spawn({openbox}, environment.get(), std::string());
        // openbox takes the screen within a moment; a window mapped before it is still managed.
        usleep(500000);
        return m_openbox.pid > 0;
    }
    ~Screen()
    {
        if (m_openbox.pid > 0) {
            kill(m_openbox.pid, SIGTERM);
            finish(&m_openbox, 5);
        }
        if (m_xvfb > 0) {
            kill(m_xvfb, SIGTERM);
            int status;
            waitpid(m_xvfb, &status, 0);
        }
    }
    const std::string& display() const { return m_display; }

private:
    pid_t m_xvfb = -1;
    Child m_openbox;
    std::string m_display;
};

struct Clip
{
    const char* name;
    const char* description;
    const char* size;
    const char* bitRate;
    double target;
    std::string path;
};

bool makeClip(Clip* clip, const std::string& folder, const std::string& ffmpeg)
{
    clip->path = folder + "/" + clip->name + ".webm";
    if (exists(clip->path))
        return true;
    const std::string partial = clip->path + ".part.webm";
    const std::string seconds = std::to_string(kSeconds);
    const int status = run({ffmpeg, "-nostdin", "-y", "-loglevel", "error", "-f", "lavfi", "-i",
                            std::string("testsrc2=size=") + clip->size + ":rate=30", "-f", "lavfi", "-i",
                            "sine=frequency=440:sample_rate=48000", "-t", seconds, "-c:v", "libvpx-vp9", "-deadline",
                            "realtime", "-cpu-used", "8", "-row-mt", "1", "-b:v", clip->bitRate, "-pix_fmt", "yuv420p",
                            "-c:a", "libopus", "-b:a", "128k", partial},
                           nullptr);
    return status == 0 && rename(partial.c_str(), clip->path.c_str()) == 0;
}

struct Run
{
    bool ok = false;
    double cpu = 0;
    double peakMb = 0;
    double dropped = 0;
    double offsetMs = 0;
    int areaWidth = 0;
    int areaHeight = 0;
};

// The number after `key` in the text; fallback when absent.
double after(const std::string& text, const std::string& key, double fallback)
{
    const std::size_t at = text.rfind(key);
    return at == std::string::npos ? fallback : std::atof(text.c_str() + at + key.size());
}

class Bench
{
public:
    Bench(std::string display, std::string folder, std::string xdotool, std::string mpv)
        : m_display(std::move(display)), m_folder(std::move(folder)), m_xdotool(std::move(xdotool)),
          m_mpv(std::move(mpv))
    {
    }

    // The window's height beyond its picture area (menu bar, controls), learnt from a first
    // run, which also does the first start's one-time work outside the measured runs. On a
    // clip of its own: the player remembers where each file was left and would start the
    // measured runs there. The player's settings as they are after it are what every
    // measured run starts from, for the same reason.
    bool calibrate(const Clip& measured)
    {
        Clip clip = measured;
        clip.path = m_folder + "/calibration.webm";
        if (run({"/bin/cp", measured.path, clip.path}, nullptr) != 0)
            return false;
        m_extraHeight = 120;
        m_calibrating = true;
        const Run first = player(clip, "raster", 3000);
        if (!first.ok || first.areaHeight <= 0)
            return false;
        m_extraHeight += kAreaHeight - first.areaHeight;
        const Run second = player(clip, "raster", 3000);
        m_calibrating = false;
        return second.ok && second.areaWidth == kAreaWidth && second.areaHeight == kAreaHeight
               && run({"/bin/cp", "-a", home(), home() + ".start"}, nullptr) == 0;
    }

    Run player(const Clip& clip, const std::string& output, int milliseconds = kSeconds * 1000)
    {
        const std::string start = home() + ".start";
        if (access(start.c_str(), F_OK) == 0) {
            run({"/bin/rm", "-rf", home()}, nullptr);
            run({"/bin/cp", "-a", start, home()}, nullptr);
        }
        Environment environment({"DISPLAY=" + m_display, "MOVRA_REGISTRY_DIR=" + home() + "/registry",
                                 "XDG_CONFIG_HOME=" + home() + "/config", "XDG_DATA_HOME=" + home() + "/data",
                                 "XDG_CACHE_HOME=" + home() + "/cache", "MOVRA_AUDIO_OUTPUT=wav:/dev/null",
                                 "MOVRA_DEMO_QUIT_AFTER_MS=" + std::to_string(milliseconds),
                                 "QT_LOGGING_RULES=movra.player.info=true", "MOVRA_VIDEO_OUTPUT=" + output,
                                 "QT_QPA_PLATFORM=xcb"});
        const std::string log = m_folder + "/player.log";
        Child child = spawn({MOVRA_APP_DIR "/movra-player", clip.path}, environment.get(), log);
        Run result;
        if (child.pid < 0)
            return result;
        sizeWindow(child.pid, environment.get());
        const bool exited = finish(&child, milliseconds / 1000.0 + 60);
        const std::string text = readFile(log);
        result.ok = exited && WEXITSTATUS(child.status) == 0 && text.find("frames shown") != std::string::npos;
        result.cpu = cpuSeconds(child.usage);
        result.peakMb = double(child.usage.ru_maxrss) / 1024.0;
        result.dropped = after(text, "dropped ", 0);
        result.offsetMs = after(text, "offset median ", 0);
        const std::size_t area = text.rfind("picture area ");
        if (area != std::string::npos)
            std::sscanf(text.c_str() + area, "picture area %dx%d", &result.areaWidth, &result.areaHeight);
        // A run that did not start at the beginning measured less than the whole clip.
        if (!m_calibrating && text.find("resumed at") != std::string::npos)
            result.ok = false;
        if (!result.ok)
            std::fprintf(stderr, "playback_figures: the player did not play %s from its start:\n%s\n", clip.path.c_str(),
                         text.c_str());
        return result;
    }

    Run mpv(const Clip& clip)
    {
        Environment environment({"DISPLAY=" + m_display});
        Child child = spawn({m_mpv, "--no-config", "--vo=x11", "--ao=null", "--geometry=" + std::to_string(kAreaWidth)
                                                                                  + "x" + std::to_string(kAreaHeight),
                             "--really-quiet", clip.path},
                            environment.get(), m_folder + "/mpv.log");
        Run result;
        if (child.pid < 0)
            return result;
        result.ok = finish(&child, kSeconds + 60) && WEXITSTATUS(child.status) == 0;
        result.cpu = cpuSeconds(child.usage);
        result.peakMb = double(child.usage.ru_maxrss) / 1024.0;
        if (!result.ok)
            std::fprintf(stderr, "playback_figures: mpv did not play %s:\n%s\n", clip.path.c_str(),
                         readFile(m_folder + "/mpv.log").c_str());
        return result;
    }

private:
    // Where the player keeps its registry, settings and caches.
    std::string home() const { return m_folder + "/home"; }

    // Gives the player's window the size whose picture area is 720×405, once it is shown.
    void sizeWindow(pid_t pid, char** environment)
    {
        const double deadline = seconds() + 20;
        std::string window;
        while (window.empty() && seconds() < deadline) {
            window = capture({m_xdotool, "search", "--onlyvisible", "--pid", std::to_string(pid)}, environment);
            window = window.substr(0, window.find('\n'));
            if (window.empty())
                usleep(20000);
        }
        if (window.empty())
            return;
        run({m_xdotool, "windowsize", window, std::to_string(kAreaWidth), std::to_string(kAreaHeight + m_extraHeight)},
            environment);
    }

    std::string m_display;
    std::string m_folder;
    std::string m_xdotool;
    std::string m_mpv;
    int m_extraHeight = 0;
    bool m_calibrating = false;
};

std::string number(double value, const char* pattern = "%.2f")
{
    return format(pattern, value);
}

} // namespace

int main()
{
    const std::string xvfb = findProgram("Xvfb");
    const std::string openbox = findProgram("openbox");
    const std::string xdotool = findProgram("xdotool");
    const std::string ffmpeg = findProgram("ffmpeg");
    const std::string mpv = findProgram("mpv");
    for (const auto& [name, path] : std::vector<std::pair<const char*, std::string>>{
             {"Xvfb", xvfb}, {"openbox", openbox}, {"xdotool", xdotool}, {"ffmpeg", ffmpeg}, {"mpv", mpv}}) {
        if (path.empty()) {
            std::fprintf(stderr, "playback_figures: %s is not installed (scripts/run-benchmarks.sh installs mpv)\n", name);
            return 1;
        }
    }
    const char* benchDir = std::getenv("MOVRA_BENCH_DIR");
    const std::string base = benchDir && *benchDir ? benchDir : (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
    const std::string clips = base + "/movra-playback-clips";
    mkdir(clips.c_str(), 0755);
    std::string folderTemplate = base + "/movra-playback-XXXXXX";
    if (!mkdtemp(folderTemplate.data())) {
        std::fprintf(stderr, "playback_figures: cannot make a folder in %s\n", base.c_str());
        return 1;
    }
    const std::string folder = folderTemplate;

    Clip clipList[] = {{"vp9-1080p30-opus", "1080p30 VP9 + Opus", "1920x1080", "4M", 0.8, {}},
                       {"vp9-2160p30-opus", "4K30 VP9 + Opus", "3840x2160", "12M", 1.0, {}}};
    for (Clip& clip : clipList) {
        if (!makeClip(&clip, clips, ffmpeg)) {
            std::fprintf(stderr, "playback_figures: ffmpeg could not make %s\n", clip.name);
            return 1;
        }
    }
    int status = 0;
    {
        Screen screen;
        if (!screen.start(xvfb, openbox)) {
            std::fprintf(stderr, "playback_figures: Xvfb or openbox did not start\n");
            return 1;
        }
        Bench bench(screen.display(), folder, xdotool, mpv);
        if (!bench.calibrate(clipList[0])) {
            std::fprintf(stderr, "playback_figures: the player's picture area could not be made %dx%d\n", kAreaWidth,
                         kAreaHeight);
            status = 1;
        }
        // MOVRA_BENCH_OUTPUTS=raster (or gl) measures one path only, for quicker rounds.
        std::vector<const char*> outputs;
        const char* only = std::getenv("MOVRA_BENCH_OUTPUTS");
        for (const char* output : {"raster", "gl"}) {
            if (!only || !*only || std::strstr(only, output))
                outputs.push_back(output);
        }
        // Per clip and output: the player's runs; per clip: mpv's.
        std::map<std::string, std::vector<Run>> players;
        std::map<std::string, std::vector<Run>> mpvs;
        const int roundCount = rounds(3);
        for (int round = 0; round < roundCount && status == 0; ++round) {
            for (const Clip& clip : clipList) {
                for (const char* output : outputs)
                    players[std::string(clip.name) + output].push_back(bench.player(clip, output));
                mpvs[clip.name].push_back(bench.mpv(clip));
            }
        }
        for (const Clip& clip : clipList) {
            Samples mpvCpu, mpvPeak;
            for (const Run& run : mpvs[clip.name]) {
                if (run.ok) {
                    mpvCpu.add(run.cpu);
                    mpvPeak.add(run.peakMb);
                }
            }
            for (const char* output : outputs) {
                Samples cpu, peak, dropped, offset;
                for (const Run& run : players[std::string(clip.name) + output]) {
                    if (!run.ok)
                        continue;
                    cpu.add(run.cpu);
                    peak.add(run.peakMb);
                    dropped.add(run.dropped);
                    offset.add(run.offsetMs);
                }
                const std::string where = std::string(clip.description) + " in " + std::to_string(kAreaWidth) + "×"
                                          + std::to_string(kAreaHeight) + ", " + output + " path";
                if (cpu.size() == 0 || mpvCpu.size() == 0) {
                    std::fprintf(stderr, "playback_figures: no complete run for %s\n", where.c_str());
                    status = 1;
                    continue;
                }
                printFigure("P6", "playback CPU time ÷ mpv --vo=x11, " + where, number(cpu.median() / mpvCpu.median()),
                            "≤ " + number(clip.target, "%.1f"),
                            "player " + spread(cpu, 1, "s") + "; mpv " + spread(mpvCpu, 1, "s") + "; "
                                + std::to_string(cpu.size()) + " runs of " + std::to_string(kSeconds) + " s");
                printFigure("P6", "pictures dropped, " + where, number(dropped.median(), "%.0f"), "0",
                            spread(dropped, 1, "pictures"));
                printFigure("P6", "picture-to-sound offset, " + where, number(offset.median(), "%.1f") + " ms",
                            "< 20 ms", spread(offset, 1, "ms"));
                printFigure("P7", "peak memory ÷ mpv, " + where, number(peak.median() / mpvPeak.median()), "≤ 1.0",
                            "player " + spread(peak, 1, "MB") + "; mpv " + spread(mpvPeak, 1, "MB"));
            }
        }
    }
    run({"/bin/rm", "-rf", folder}, nullptr);
    return status;
}
